"""End-to-end tests of the start: a folder with or without a table, the second copy, the enabling
rule without a database, and what a whole session leaves on disk."""

import os

import harness
from harness import ViewerTestCase


class StartTest(ViewerTestCase):

    def test_start_in_a_folder_with_a_table_shows_its_first_record(self):
        s = self.session
        for name in ('README', 'notes.txt'):
            with open(os.path.join(s.work, name), 'w') as f:
                f.write('no table\n')
        path = self.start_with_table(count=24, seed=2)
        self.assertEqual(s.titles(s.viewer), ['  dBase-Viewer: STAT'])
        s.wait_counter(' DS: 1')
        first = harness.dbf_record(path, 1)
        expected = {caption: first[column]
                    for caption, column in zip(harness.CAPTIONS, harness.COLUMNS)}
        harness.wait_equal(s.fields, expected, what='the fields of the first record')

    def test_start_without_a_table_says_so_and_offers_no_database_commands(self):
        s = self.session
        with open(os.path.join(s.work, 'stations.txt'), 'w') as f:
            f.write('no table\n')
        viewer = s.start_viewer()
        _, text = s.wait_message(' Problem', viewer)
        self.assertEqual(text, 'Keine dBase-Datenbank in diesem Ordner vorhanden!\n'
                               'Bitte selber öffnen.')
        s.wait_active(' Problem', viewer)
        s.key('Return')
        self.viewer_wid = s.wait_window('  dBase-Viewer: ', viewer)
        s.activate(self.viewer_wid)
        self.assertEqual(set(s.fields().values()), {''})

        s.key('alt+b')
        harness.wait_equal(s.popup_items, [('Filtern', False), ('sortieren', False),
                                           ('wiederherstellen', False)],
                           what='items of "Bearbeiten" with an empty database path')
        s.key('Escape')
        s.key('alt+d')
        harness.wait_equal(s.popup_items, [('Öffnen', True), ('Neu laden', False),
                                           ('Beenden', True)],
                           what='items of "Datei" with an empty database path')
        s.key('Escape')
        s.key('alt+s')
        harness.wait_equal(s.popup_items, [('Suchen', False)],
                           what='items of "Suchen" with an empty database path')
        s.key('Escape')
        s.wait_window_gone('Talvo-dBase-Viewer', viewer)  # the menu's popup window
        s.key('ctrl+e')
        s.ended(viewer)
        self.assertEqual(s.stored_database()[1], '')

    def test_a_table_cut_short_is_reported_after_its_first_record_shows(self):
        s = self.session
        path = harness.make_table(os.path.join(s.work, 'KURZ.dbf'), 300, seed=4)
        with open(path, 'rb') as f:
            head = f.read(12)
        header_length = int.from_bytes(head[8:10], 'little')
        record_length = int.from_bytes(head[10:12], 'little')
        with open(path, 'r+b') as f:  # cut inside record 52, as a crash while copying leaves it
            f.truncate(header_length + 51 * record_length + record_length // 2)

        viewer = s.start_viewer()
        wid, text = s.wait_message('Talvo-dBase-Viewer', viewer)
        # The window shows the first record behind the box (its caption follows activation).
        self.assertEqual(s.titles(viewer), ['  dBase - Viewer', 'Talvo-dBase-Viewer'])
        self.assertEqual(s.counter(viewer), ' DS: 1')
        lines = text.split('\n')
        self.assertIn('»', lines[0])
        self.assertIn('KURZ.dbf« ist beschädigt', lines[0])
        self.assertTrue(any('nennt 300 Datensätze' in line for line in lines[1:]), text)
        self.assertLessEqual(len(lines), 5)
        s.activate(wid)
        s.key('Return')
        s.wait_window_gone('Talvo-dBase-Viewer', viewer)
        s.activate(s.wait_window('  dBase-Viewer: KURZ', viewer))
        s.key('Prior')  # the last record: every whole one is there
        s.wait_counter(' DS: %d' % harness.dbf_count(path))

        s.key('ctrl+n')  # reloading opens the table again: said again, once
        _, again = s.wait_message('Talvo-dBase-Viewer', viewer)
        self.assertEqual(again, text)
        s.key('Return')
        s.wait_window_gone('Talvo-dBase-Viewer', viewer)
        s.wait_counter(' DS: 1')
        self.assertNotIn('Talvo-dBase-Viewer', s.titles(viewer))

    def test_second_copy_says_so_and_ends_leaving_the_first_alone(self):
        s = self.session
        self.start_with_table()
        first = s.viewer
        s.key('Up')
        s.wait_counter(' DS: 2')
        call = s.call()

        second = s.start_viewer(wait=False)
        title = 'Talvo-dBase-Viewer läuft bereits '
        wid, text = s.wait_message(title, second)
        self.assertEqual(text, 'Das Programm zweimal zu aktivieren ist nicht ratsam. '
                               'Wenn Sie diese Möglichkeit benötigen, so wenden Sie '
                               'sich bitte an den Autor dieser Software.')
        self.assertEqual(s.titles(second), [title])
        s.activate(wid)
        s.key('Return')
        s.ended(second)

        self.assertIsNone(first.poll())
        self.assertEqual(s.titles(first), ['  dBase-Viewer: STAT'])
        self.assertEqual((s.counter(first), s.call(first)), (' DS: 2', call))
        s.activate(self.viewer_wid)
        s.key('Up')
        s.wait_counter(' DS: 3', first)

    def test_closing_stores_the_path_and_writes_nothing_else(self):
        s = self.session
        self.start_with_table()
        s.key('Up', 'F1')
        s.wait_active('Kurzhilfe')
        s.key('Return')
        s.wait_window_gone('Kurzhilfe')
        s.activate(self.viewer_wid)
        s.key('alt+F4')  # the window manager's close, as with the close box
        s.ended(s.viewer)
        settings, stored = s.stored_database()
        self.assertEqual(stored, 'STAT.dbf')  # found at start: the bare file name
        self.assertEqual(s.files_under(s.home, s.config), [settings])
        self.assertEqual(sorted(os.listdir(s.work)), ['STAT.dbf'])

    def test_a_remembered_path_full_of_odd_characters_opens_at_every_start(self):
        s = self.session
        folder = os.path.join(s.tables, ' DL;OE {alt}=neu "x"')
        os.mkdir(folder)
        path = harness.make_table(os.path.join(folder, 'Log;2003.dbf'), 12, seed=6)
        settings = os.path.join(s.config, 'Talvo-dBase-Viewer', 'Talvo-dBase-Viewer.conf')
        os.makedirs(os.path.dirname(settings))
        with open(settings, 'w', encoding='utf-8') as f:  # as Qt writes such a value
            f.write('[Settings]\nDatenbank="%s"\n' % path.replace('"', '\\"'))
        first = harness.dbf_record(path, 1)
        expected = {caption: first[column]
                    for caption, column in zip(harness.CAPTIONS, harness.COLUMNS)}
        for run in ('remembered by hand', 'remembered by the viewer'):
            viewer = s.start_viewer()
            s.activate(s.wait_window('  dBase-Viewer: Log;2003', viewer))
            s.wait_counter(' DS: 1', viewer)
            harness.wait_equal(lambda: s.fields(viewer), expected,
                               what='the first record, path %s' % run)
            s.key('ctrl+e')
            s.ended(viewer)
            s.viewer = None
