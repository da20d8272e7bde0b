"""End-to-end tests of moving through the records: the keys, the data control's buttons, the
record counter, the hover hints of the long fields, the short help and the info screen."""

import time

import harness
from harness import ViewerTestCase

INFO_SECONDS = 6.0
# How late a poll may notice that the info screen appeared, at most.
NOTICE_SLACK = 0.6


class NavigationTest(ViewerTestCase):

    def test_keys_move_through_the_records_and_the_counter_follows(self):
        s = self.session
        path = self.start_with_table(count=24, seed=2)
        count = harness.dbf_count(path)
        calls = harness.dbf_column(path, 'CALL')
        s.wait_counter(' DS: 1')
        s.key('Up')  # Up is the next record
        s.wait_counter(' DS: 2')
        s.wait_call(calls[1])
        s.key('Up', 'Down', 'Down')
        s.wait_counter(' DS: 1')
        # Down on the first record stays; the Up after it shows that Down was taken.
        s.key('Down', 'Up')
        s.wait_counter(' DS: 2')
        s.key('Prior')  # Page Up is the last record
        s.wait_counter(' DS: %d' % count)
        s.wait_call(calls[-1])
        s.key('Up', 'Down')
        s.wait_counter(' DS: %d' % (count - 1))
        s.key('Next')  # Page Down is the first record
        s.wait_counter(' DS: 1')
        s.wait_call(calls[0])
        s.key('ctrl+Prior')  # the shift state does not matter
        s.wait_counter(' DS: %d' % count)

    def test_data_control_buttons_move_and_the_counter_follows(self):
        s = self.session
        path = self.start_with_table(count=24, seed=2)
        count = harness.dbf_count(path)
        for button, counter in (('Nächster', 2), ('Nächster', 3), ('Voriger', 2),
                                ('Letzter', count), ('Erster', 1)):
            [node] = s.find(harness.pyatspi.ROLE_PUSH_BUTTON, button,
                            within=s.viewer_window_node())
            s.click(node)
            s.wait_counter(' DS: %d' % counter)

    def test_next_button_on_an_empty_table_does_nothing(self):
        s = self.session
        self.start_with_table(count=0)
        [node] = s.find(harness.pyatspi.ROLE_PUSH_BUTTON, 'Nächster',
                        within=s.viewer_window_node())
        s.click(node)
        s.activate(self.viewer_wid)
        s.key('F1')  # taken after the click: whatever the click showed is up by then
        s.wait_window('Kurzhilfe', s.viewer)
        self.assertEqual(s.titles(s.viewer), ['  dBase-Viewer: STAT', 'Kurzhilfe'])
        self.assertEqual(set(s.fields().values()), {''})

    def test_hover_hints_of_activities_and_rig_show_the_whole_value(self):
        s = self.session
        path = self.start_with_table(count=24, seed=62)
        records = harness.dbf_records(path)
        # The longest value of each column is too long for its field; a hint, where there is
        # one, is the whole value.
        longest = {column: max(range(len(records)), key=lambda i: len(records[i][column]))
                   for column in ('AKTIVIT_TE', 'RIG')}
        for column, index in longest.items():
            self.assertGreater(len(records[index][column]), 65, column)
        for index in range(max(longest.values()) + 1):
            s.wait_counter(' DS: %d' % (index + 1))
            for caption, column in (('AKTIVITÄTEN :', 'AKTIVIT_TE'), ('RIG :', 'RIG')):
                value = records[index][column]
                hint = s.field_nodes()[caption].description
                if index == longest[column]:
                    self.assertEqual(hint, value, 'hint of %s on record %d' % (column, index + 1))
                else:
                    self.assertIn(hint, ('', value),
                                  'hint of %s on record %d' % (column, index + 1))
            s.key('Up')

    def test_short_help_shows_four_lines_with_their_trailing_blanks(self):
        s = self.session
        self.start_with_table()
        s.key('F1')
        _, text = s.wait_message('Kurzhilfe', s.viewer)
        self.assertEqual(text, 'Es ist noch keine ausführliche Hilfe vorhanden.     \n'
                               'Wenn Sie aber den Mauszeiger über dem Fenster,      \n'
                               'über das Sie etwas wissen möchten, stehen lassen,   \n'
                               'so erscheint ein Hinweis.')
        window = s.window_node('Kurzhilfe', s.viewer)
        roles = harness.pyatspi
        self.assertEqual([n.name for n in s.find(roles.ROLE_PUSH_BUTTON, within=window)], ['OK'])
        self.assertEqual(len(s.find(roles.ROLE_IMAGE, within=window)), 1)  # the information icon
        s.wait_active('Kurzhilfe', s.viewer)
        s.key('Return')
        s.wait_window_gone('Kurzhilfe', s.viewer)

    def test_keys_pressed_during_the_info_wait_count_afterwards(self):
        s = self.session
        self.start_with_table()
        s.wait_counter(' DS: 1')
        s.key('F2')
        s.wait_window(' Info', s.viewer)
        shown = time.monotonic()
        s.key('Up', 'Up')
        s.wait_window_gone(' Info', s.viewer, timeout=INFO_SECONDS + 5)
        self.assertGreater(time.monotonic() - shown, INFO_SECONDS - NOTICE_SLACK)
        s.wait_counter(' DS: 3')
        self.assertEqual(s.titles(s.viewer), ['  dBase-Viewer: STAT'])

    def test_closing_during_the_info_wait_ends_the_program_after_it(self):
        s = self.session
        self.start_with_table()
        s.key('F2')
        s.wait_window(' Info', s.viewer)
        shown = time.monotonic()
        s.activate(self.viewer_wid)
        s.key('alt+F4')  # the window manager's close, as with the close box
        info_seen_until = shown
        while s.viewer.poll() is None and time.monotonic() - shown < INFO_SECONDS + 10:
            if ' Info' in s.titles(s.viewer):
                info_seen_until = time.monotonic()
            time.sleep(0.1)
        s.ended(s.viewer, timeout=1)
        ended = time.monotonic() - shown
        self.assertGreater(ended, INFO_SECONDS - NOTICE_SLACK,
                           'the program ended %.1f s into the info screen' % ended)
        self.assertGreater(info_seen_until - shown, INFO_SECONDS - NOTICE_SLACK - 0.5,
                           'the info screen went after %.1f s' % (info_seen_until - shown))
        self.assertEqual(s.stored_database()[1], 'STAT.dbf')
