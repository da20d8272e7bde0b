"""End-to-end tests of the viewer among other programs: the caption on activation, message
boxes as wide as their titles, a named pipe refused without blocking, nothing left in the temp
folder and a clean end on SIGTERM and SIGHUP, tables without one of the columns, the column list
after a start without a table, and the value fields for screen readers and copying."""

import os
import shutil
import signal

import harness
from harness import ViewerTestCase

OPEN_TITLE = 'Talvo-Datenbank öffnen'


def drop_column(path, column, replacement):
    """Renames `column` in the header of the table at `path`, so that the table lacks it."""
    with open(path, 'r+b') as f:
        header = f.read(32)
        header_length = int.from_bytes(header[8:10], 'little')
        f.seek(32)
        descriptors = f.read(header_length - 32)
        for offset in range(0, len(descriptors) - 1, 32):
            name = descriptors[offset:offset + 11].split(b'\0')[0].decode('ascii')
            if name == column:
                f.seek(32 + offset)
                f.write(replacement.encode('ascii').ljust(11, b'\0'))
                return path
    raise AssertionError('no column %s in %s' % (column, path))


class DesktopTest(ViewerTestCase):

    def open_file(self, path):
        """Opens `path` with "Öffnen", typed into the dialog's name box."""
        s = self.session
        s.key('ctrl+o')
        s.wait_active(OPEN_TITLE, s.viewer)
        s.key('ctrl+a')
        s.type(path)
        s.key('Return')
        s.wait_window_gone(OPEN_TITLE, s.viewer)

    def other_program(self):
        """Starts a small X client of another program; returns its window id."""
        s = self.session
        s.start_x_client('xmessage', '-title', 'Anderes Programm', 'Ein anderes Programm')
        found = harness.wait_for(
            lambda: s.xdotool('search', '--onlyvisible', '--name', '^Anderes Programm$',
                              check=False).split(), 10, 'the window of xmessage')
        return found[0]

    def test_activations_within_the_program_set_the_caption(self):
        s = self.session
        self.start_with_table()
        other = harness.make_table(os.path.join(s.tables, 'OTHER.dbf'), 30, seed=5)
        stale = ['dBase-Viewer: OTHER']  # as the open command leaves it until the next one

        self.open_file(other)
        harness.wait_equal(lambda: s.titles(s.viewer), stale, what='caption after opening')
        s.key('F2')  # the info screen: its closing gives the activation back
        s.wait_window(' Info', s.viewer)
        s.wait_window_gone(' Info', s.viewer, timeout=12)
        harness.wait_equal(lambda: s.titles(s.viewer), ['  dBase-Viewer: OTHER'],
                           what='caption after the info screen')

        self.open_file(other)
        harness.wait_equal(lambda: s.titles(s.viewer), stale, what='caption after opening')
        xmessage = self.other_program()
        s.activate(xmessage)
        self.assertEqual(s.titles(s.viewer), stale)  # going elsewhere changes nothing
        s.activate(self.viewer_wid)  # and coming back is no activation of the program's own
        s.wait_active(stale[0], s.viewer)
        self.assertEqual(s.titles(s.viewer), stale)
        s.key('F1')  # but a box of the program's own that closes gives the activation back
        s.wait_active('Kurzhilfe', s.viewer)
        s.key('Return')
        harness.wait_equal(lambda: s.titles(s.viewer), ['  dBase-Viewer: OTHER'],
                           what='caption after the short help closes')

    def test_a_message_box_is_as_wide_as_its_title(self):
        s = self.session
        self.start_with_table()
        second = s.start_viewer(wait=False)
        title = 'Talvo-dBase-Viewer läuft bereits '
        wid, _ = s.wait_message(title, second)
        geometry = s.xdotool('getwindowgeometry', wid)
        width = int(geometry.split('Geometry: ')[1].split('x')[0])
        # Openbox's title font (sans 8, bold) takes less than 7 pixels a character; its icon,
        # close box and frame some 90 more.
        self.assertGreaterEqual(width, 7 * len(title) + 90, geometry)
        s.activate(wid)
        s.key('Return')
        s.ended(second)

    def test_sigterm_and_sighup_end_as_beenden_and_leave_nothing_behind(self):
        s = self.session
        self.start_with_table()
        s.wait_counter(' DS: 1')
        self.assertEqual(s.program_folders_in_tmp(), [], 'made at start')
        s.key('ctrl+o')  # the dialog's state folder lives as long as the dialog
        s.wait_active(OPEN_TITLE, s.viewer)
        harness.wait_for(s.program_folders_in_tmp, 5, "the open dialog's folder")
        s.key('Escape')
        s.wait_window_gone(OPEN_TITLE, s.viewer)
        harness.wait_equal(s.program_folders_in_tmp, [], 5, 'folders after the dialog closed')

        s.key('ctrl+o')
        s.wait_active(OPEN_TITLE, s.viewer)
        os.kill(s.viewer.pid, signal.SIGHUP)  # the desktop session ends
        self.assertEqual(s.ended(s.viewer), 0)
        self.assertEqual(s.stored_database()[1], 'STAT.dbf')
        self.assertEqual(s.program_folders_in_tmp(), [])

        again = s.start_viewer()  # the lock is given up: no "läuft bereits"
        s.wait_window('  dBase-Viewer: STAT', again)
        s.wait_counter(' DS: 1', again)
        os.kill(again.pid, signal.SIGTERM)  # a plain `kill`
        self.assertEqual(s.ended(again), 0)
        self.assertEqual(s.program_folders_in_tmp(), [])

    def test_a_named_pipe_opened_from_the_dialog_is_refused_and_the_window_answers(self):
        s = self.session
        self.start_with_table()
        pipe = os.path.join(s.tables, 'PIPE.dbf')
        os.mkfifo(pipe)
        self.open_file(pipe)
        # "Öffnen" says it, and so does the reload it falls back to on an empty first field.
        for _ in range(2):
            box, text = s.wait_message('Talvo-dBase-Viewer', s.viewer)
            self.assertIn('keine gewöhnliche Datei', text)
            s.activate(box)
            s.key('Return')
            harness.wait_for(lambda: box not in s.visible_windows(s.viewer), 10, 'the box to go')
        s.activate(self.viewer_wid)
        s.key('ctrl+o')  # the window still answers: the dialog opens again
        s.wait_active(OPEN_TITLE, s.viewer)
        s.key('Escape')
        s.wait_window_gone(OPEN_TITLE, s.viewer)

    def test_a_table_without_a_column_names_it_at_start_reload_and_open(self):
        s = self.session
        path = drop_column(harness.make_table(os.path.join(s.work, 'OHNE.dbf'), 24, seed=2),
                           'VORNAME', 'RUFNAME')
        expected = 'Die Spalte »VORNAME« gibt es in der Tabelle »OHNE« nicht.'
        viewer = s.start_viewer()

        def said_once_more():
            wid, text = s.wait_message('Talvo-dBase-Viewer', viewer)
            self.assertEqual(text, expected)
            s.activate(wid)
            s.key('Return')
            harness.wait_for(lambda: wid not in s.visible_windows(viewer), 10,
                             'the box to go')
        said_once_more()  # at start, before the window shows
        self.viewer_wid = s.wait_window('  dBase-Viewer: OHNE', viewer)
        s.activate(self.viewer_wid)
        self.assertEqual(set(s.fields().values()), {''})

        s.key('ctrl+n')
        said_once_more()
        s.activate(self.viewer_wid)
        s.key('ctrl+o')
        s.wait_active(OPEN_TITLE, viewer)
        s.key('ctrl+a')
        s.type(path)
        s.key('Return')
        said_once_more()  # the column query of "Öffnen"
        said_once_more()  # and the reload it falls back to
        s.wait_window_gone('Talvo-dBase-Viewer', viewer)
        self.assertEqual(set(s.fields().values()), {''})

    def test_after_a_start_without_a_table_an_opened_table_can_be_filtered(self):
        s = self.session
        path = harness.make_table(os.path.join(s.tables, 'STAT.dbf'), 24, seed=2)
        viewer = s.start_viewer()
        wid, _ = s.wait_message(' Problem', viewer)
        s.activate(wid)
        s.key('Return')
        self.viewer_wid = s.wait_window('  dBase-Viewer: ', viewer)
        s.activate(self.viewer_wid)
        self.open_file(path)
        s.wait_counter(' DS: 1')

        s.key('ctrl+f')
        s.wait_active('Filtern', viewer)
        window = s.window_node('Filtern', viewer)
        entries = [n for n in harness.walk(window)
                   if harness.role(n) == harness.pyatspi.ROLE_LIST_ITEM]
        self.assertEqual([n.name for n in entries],
                         ['%d %s' % (i, caption) for i, caption in enumerate(harness.CAPTIONS)])
        s.key('Down')  # nothing selected yet: the first entry
        harness.wait_for(lambda: [n.name for n in harness.walk(s.window_node('Filtern', viewer))
                                  if harness.role(n) == harness.pyatspi.ROLE_LIST_ITEM
                                  and harness.has_state(n, harness.pyatspi.STATE_SELECTED)]
                         == ['0 CALL :'], 5, 'the first entry selected by Down')
        s.type('LIKE DL*')
        s.key('Return')
        s.wait_window_gone('Filtern', viewer)
        first = harness.dbf_column(path, 'CALL', '--query', 'select * from STAT Order by CALL',
                                   '--filter', "[CALL] LIKE 'DL*'")[0]
        s.wait_call(first)
        s.wait_counter(' DS: 1')

    def test_value_fields_read_as_caption_and_value_and_copy_on_right_click(self):
        s = self.session
        path = self.start_with_table()
        s.wait_counter(' DS: 1')
        first = harness.dbf_record(path, 1)
        nodes = s.field_nodes()
        self.assertEqual(sorted(nodes), sorted(harness.CAPTIONS))
        for caption, column in zip(harness.CAPTIONS, harness.COLUMNS):
            node = nodes[caption]
            self.assertEqual((node.name, harness.value_text(node)), (caption, first[column]))
            labels = [relation.getTarget(0).name for relation in node.getRelationSet()
                      if relation.getRelationType() == harness.pyatspi.RELATION_LABELLED_BY]
            self.assertEqual(labels, [caption])

        focus = harness.FocusWatch()
        self.addCleanup(focus.close)
        extents = nodes['CALL :'].queryComponent().getExtents(harness.pyatspi.DESKTOP_COORDS)
        s.xdotool('mousemove', '--sync', str(extents.x + 10),
                  str(extents.y + extents.height // 2), 'click', '3')
        s.wait_window('Talvo-dBase-Viewer', s.viewer)  # the field's menu
        s.key('Down')
        harness.wait_for(lambda: (harness.pyatspi.ROLE_MENU_ITEM, 'Kopieren') in focus.seen(), 5,
                         'the item "Kopieren" read out')
        s.key('Return')
        s.wait_window_gone('Talvo-dBase-Viewer', s.viewer)
        if shutil.which('xclip'):
            harness.wait_equal(s.clipboard, first['CALL'], 5, 'the clipboard')
        s.key('Up')  # the keys still work: the field took no focus
        s.wait_counter(' DS: 2')
