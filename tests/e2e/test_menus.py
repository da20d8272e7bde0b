"""End-to-end tests of the menus: every item once by its shortcut and once by its access keys, with
a database open, so that every item is enabled."""

import harness
from harness import ViewerTestCase

CAPTION = '  dBase-Viewer: STAT'


class MenuTest(ViewerTestCase):

    def setUp(self):
        super().setUp()
        self.path = self.start_with_table(count=24, seed=2)
        self.count = harness.dbf_count(self.path)
        self.first_by_call = harness.dbf_column(
            self.path, 'CALL', '--query', 'select * from STAT Order by CALL', '--limit', '1')[0]

    def back_in_viewer(self):
        self.session.wait_active(CAPTION, self.session.viewer)

    def last_record(self):
        s = self.session
        s.key('Prior')
        s.wait_counter(' DS: %d' % self.count)

    # What each command shows; each ends with the viewer window active again.

    def opens_the_open_dialog(self, keys):
        s = self.session
        s.key(*keys)
        s.wait_active('Talvo-Datenbank öffnen', s.viewer)
        s.key('Escape')
        s.wait_window_gone('Talvo-Datenbank öffnen', s.viewer)
        self.back_in_viewer()

    def reloads(self, keys):
        s = self.session
        s.key(*keys)
        s.wait_counter(' DS: 1')  # the table read anew, ordered by CALL
        s.wait_call(self.first_by_call)

    def restores(self, keys):
        s = self.session
        s.key(*keys)
        s.wait_counter(' DS: 1')
        s.wait_call(self.first_by_call)

    def shows_dialog(self, title):
        def check(keys):
            s = self.session
            s.key(*keys)
            s.wait_active(title, s.viewer)
            s.key('Escape')
            s.wait_window_gone(title, s.viewer)
            self.back_in_viewer()
        return check

    def shows_short_help(self, keys):
        s = self.session
        s.key(*keys)
        s.wait_active('Kurzhilfe', s.viewer)
        s.key('Return')
        s.wait_window_gone('Kurzhilfe', s.viewer)
        self.back_in_viewer()

    def shows_info(self, keys):
        s = self.session
        s.key(*keys)
        s.wait_window(' Info', s.viewer)
        s.wait_window_gone(' Info', s.viewer, timeout=12)
        self.back_in_viewer()

    def ends(self, keys):
        s = self.session
        s.key(*keys)
        s.ended(s.viewer)
        self.assertEqual(s.stored_database()[1], 'STAT.dbf')

    def commands(self):
        """(item, shortcut, access keys, preparation, check) for every item, in an order in
        which each check sees its effect: the viewer starts on its last record in file order,
        the open dialog's cancel closes the record set and the reload opens it again, ordered
        by CALL; "Beenden" comes last."""
        nothing = None
        return [
            ('Öffnen', ['ctrl+o'], ['alt+d', 'odiaeresis'], nothing, self.opens_the_open_dialog),
            ('Neu laden', ['ctrl+n'], ['alt+d', 'n'], nothing, self.reloads),
            ('Filtern', ['ctrl+f'], ['alt+b', 'f'], nothing, self.shows_dialog('Filtern')),
            ('sortieren', ['ctrl+t'], ['alt+b', 't'], nothing, self.shows_dialog('Sortieren')),
            ('wiederherstellen', ['ctrl+w'], ['alt+b', 'w'], self.last_record, self.restores),
            ('Suchen', ['ctrl+s'], ['alt+s', 'u'], nothing, self.shows_dialog('Suchen')),
            ('Kurz-Hilfe', ['F1'], ['alt+question', 'k'], nothing, self.shows_short_help),
            ('Info', ['F2'], ['alt+question', 'i'], nothing, self.shows_info),
            ('Beenden', ['ctrl+e'], ['alt+d', 'e'], nothing, self.ends),
        ]

    def start_on_the_last_record(self):
        calls = harness.dbf_column(self.path, 'CALL')
        # Else the reload and the restore could not be told from doing nothing.
        self.assertNotIn(self.first_by_call, (calls[0], calls[-1]))
        self.last_record()

    def test_every_item_by_its_shortcut(self):
        self.start_on_the_last_record()
        for item, shortcut, _, prepare, check in self.commands():
            with self.subTest(item=item, keys=shortcut):
                if prepare:
                    prepare()
                check(shortcut)

    def test_every_item_by_its_access_keys(self):
        s = self.session
        self.start_on_the_last_record()
        for item, _, (menu_key, item_key), prepare, check in self.commands():
            with self.subTest(item=item, keys=[menu_key, item_key]):
                if prepare:
                    prepare()
                s.key(menu_key)
                harness.wait_for(lambda: (item, True) in s.popup_items(), 5,
                                 'the menu holding %r to open, enabled' % item)
                check([item_key])
