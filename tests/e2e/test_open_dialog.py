"""End-to-end tests of the open dialog: its German texts, its file types, cancelling it, opening
another table with it, and the path that the next start takes from the settings."""

import os

import harness
from harness import ViewerTestCase

TITLE = 'Talvo-Datenbank öffnen'
CAPTION = '  dBase-Viewer: STAT'


class OpenDialogTest(ViewerTestCase):

    def open_dialog(self):
        s = self.session
        s.wait_active(CAPTION, s.viewer)
        s.key('ctrl+o')
        s.wait_active(TITLE, s.viewer)

    def dialog(self):
        window = self.session.window_node(TITLE, self.session.viewer)
        if window is None:
            raise LookupError('no open dialog')
        return window

    def type_box(self):
        """The combo box of the file types."""
        boxes = [n for n in self.session.find(harness.pyatspi.ROLE_COMBO_BOX, within=self.dialog())
                 if n.name.startswith(('Datenbank', 'Alle'))]
        if len(boxes) != 1:
            raise LookupError('file type box: %r' % [n.name for n in boxes])
        return boxes[0]

    def shown_names(self):
        """The names the dialog's file views show."""
        names = set()
        for node in harness.walk(self.dialog()):
            if (harness.role(node) in (harness.pyatspi.ROLE_LIST_ITEM,
                                       harness.pyatspi.ROLE_TABLE_CELL)
                    and harness.is_showing(node)):
                names.add(node.name)
        return names

    def test_dialog_speaks_german_and_all_files_lists_every_file(self):
        s = self.session
        for name in ('README', 'notes.txt'):
            with open(os.path.join(s.work, name), 'w') as f:
                f.write('no table\n')
        self.start_with_table()
        self.open_dialog()
        window = self.dialog()
        buttons = {n.name for n in s.find(harness.pyatspi.ROLE_PUSH_BUTTON, within=window)}
        self.assertLessEqual({'Öffnen', 'Abbrechen'}, buttons)
        self.assertIn('Dateiname:', s.texts(window))
        types = [n.name for n in harness.walk(self.type_box())
                 if harness.role(n) == harness.pyatspi.ROLE_LIST_ITEM]
        self.assertEqual(types.count('Alle (*.*)'), 1, types)
        self.assertEqual(self.type_box().name, 'Datenbank (*.DBF)')
        harness.wait_for(lambda: 'STAT.dbf' in self.shown_names(), 10, 'STAT.dbf in the list')
        self.assertNotIn('README', self.shown_names())

        s.click(self.type_box())
        s.key('End', 'Return')
        harness.wait_equal(lambda: self.type_box().name, 'Alle (*.*)', 5, 'chosen file type')
        harness.wait_for(lambda: {'README', 'notes.txt', 'STAT.dbf'} <= self.shown_names(), 10,
                         'every file in the list (shown: %r)' % self.shown_names())

        s.wait_active(TITLE, s.viewer)
        s.key('Escape')
        s.wait_window_gone(TITLE, s.viewer)
        s.wait_active(CAPTION, s.viewer)
        s.key('ctrl+e')
        s.ended(s.viewer)
        settings, stored = s.stored_database()
        self.assertEqual(stored, 'STAT.dbf')  # the cancelled dialog changed nothing
        self.assertEqual(s.files_under(s.home, s.config), [settings])

    def test_opening_another_table_shows_it_and_the_next_start_takes_it(self):
        s = self.session
        self.start_with_table()
        other = harness.make_table(os.path.join(s.tables, 'OTHER.dbf'), 30, seed=5)
        by_call = harness.dbf_column(other, 'CALL', '--query',
                                     'select * from OTHER Order by CALL', '--limit', '1')
        self.open_dialog()
        s.key('ctrl+a')  # the name box has the focus, preset with STAT.dbf
        s.type(other)
        s.key('Return')
        s.wait_window_gone(TITLE, s.viewer)
        s.wait_call(by_call[0])
        s.wait_counter(' DS: 1')
        # Right after opening, the window is titled without the leading blanks until it is
        # activated again; either may be seen here, depending on when the activation came.
        self.assertIn(s.titles(s.viewer), [['dBase-Viewer: OTHER'], ['  dBase-Viewer: OTHER']])
        s.key('F1')
        s.wait_active('Kurzhilfe', s.viewer)
        s.key('Return')
        s.wait_active('  dBase-Viewer: OTHER', s.viewer)

        s.key('Prior')
        s.wait_counter(' DS: %d' % harness.dbf_count(other))
        s.key('ctrl+n')  # reload: the same table again, first record
        s.wait_counter(' DS: 1')
        s.wait_call(by_call[0])

        s.key('ctrl+e')
        s.ended(s.viewer)
        settings, stored = s.stored_database()
        self.assertEqual(stored, other)
        self.assertEqual(s.files_under(s.home, s.config), [settings])

        empty = os.path.join(s.root, 'empty')
        os.mkdir(empty)
        again = s.start_viewer(cwd=empty)
        s.wait_window('  dBase-Viewer: OTHER', again)
        s.wait_counter(' DS: 1', again)
