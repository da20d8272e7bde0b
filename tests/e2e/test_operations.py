"""End-to-end tests of filter, sort, search and restore, entered with the keyboard only, and of
the column-and-term dialog's keyboard path."""

import harness
from harness import ViewerTestCase

CAPTION = '  dBase-Viewer: STAT'
DL = "[CALL] LIKE 'DL*'"
RESTORE = "[CALL] <> '0'"


class OperationsTest(ViewerTestCase):

    def setUp(self):
        super().setUp()
        self.path = self.start_with_table(count=24, seed=2)

    def dialog_nodes(self, title):
        """The column list's entries and the term box of the dialog titled `title`."""
        window = self.session.window_node(title, self.session.viewer)
        if window is None:
            raise LookupError('no dialog %r' % title)
        nodes = list(harness.walk(window))
        entries = [n for n in nodes if harness.role(n) == harness.pyatspi.ROLE_LIST_ITEM]
        terms = [n for n in nodes if harness.role(n) == harness.pyatspi.ROLE_TEXT]
        return entries, terms[0] if terms else None

    def selected_entry(self, title):
        entries, _ = self.dialog_nodes(title)
        chosen = [n.name for n in entries
                  if harness.has_state(n, harness.pyatspi.STATE_SELECTED)]
        return chosen[0] if len(chosen) == 1 else chosen

    def list_focused(self, title):
        window = self.session.window_node(title, self.session.viewer)
        return window is not None and any(
            harness.role(n) == harness.pyatspi.ROLE_LIST
            and harness.has_state(n, harness.pyatspi.STATE_FOCUSED)
            for n in harness.walk(window))

    def term_box_focused(self, title):
        _, term = self.dialog_nodes(title)
        return (term is not None and harness.is_showing(term)
                and harness.has_state(term, harness.pyatspi.STATE_FOCUSED))

    def choose(self, title, keys, entry):
        """Opens nothing; in the dialog `title`, presses `keys` in the column list and waits
        until `entry` is the selected column."""
        s = self.session
        s.key(*keys)
        harness.wait_equal(lambda: self.selected_entry(title), entry, 5,
                           'selected column after %s' % ' '.join(keys))

    def open_dialog(self, shortcut, title):
        s = self.session
        s.wait_active(CAPTION, s.viewer)
        s.key(shortcut)
        s.wait_active(title, s.viewer)

    def filter_dl(self):
        s = self.session
        self.open_dialog('ctrl+f', 'Filtern')
        self.choose('Filtern', ['Home'], '0 CALL :')
        harness.wait_for(lambda: self.term_box_focused('Filtern'), 5,
                         'the focus in the term box after choosing the column')
        s.type('LIKE DL*')
        s.key('Return')
        s.wait_window_gone('Filtern', s.viewer)

    def test_choosing_a_column_by_keyboard_moves_the_focus_to_the_term_box(self):
        s = self.session
        for shortcut, title, keys, entry in (
                ('ctrl+f', 'Filtern', ['Home'], '0 CALL :'),
                ('ctrl+s', 'Suchen', ['End'], '12 UPDATE :'),
                ('ctrl+f', 'Filtern', ['Up'], '11 NOF - SSB :')):
            with self.subTest(dialog=title, keys=keys):
                self.open_dialog(shortcut, title)
                try:
                    harness.wait_for(lambda: self.list_focused(title), 5,
                                     'the focus in the column list when the dialog opens')
                    if keys == ['Up']:
                        harness.wait_equal(lambda: self.selected_entry(title), '12 UPDATE :',
                                           5, 'the column kept from the last use')
                    self.choose(title, keys, entry)
                    harness.wait_for(lambda: self.term_box_focused(title), 5,
                                     'the focus in the term box after %s' % keys)
                finally:
                    s.key('Escape')
                    s.wait_window_gone(title, s.viewer)

    def test_sort_mode_keeps_the_focus_in_the_column_list(self):
        s = self.session
        self.open_dialog('ctrl+t', 'Sortieren')
        self.choose('Sortieren', ['Home', 'Down'], '1 DXCC / WAE :')
        _, term = self.dialog_nodes('Sortieren')
        self.assertFalse(term is not None and harness.is_showing(term), 'term box shown')
        self.assertTrue(self.list_focused('Sortieren'))
        s.key('Escape')
        s.wait_window_gone('Sortieren', s.viewer)

    def test_filter_then_restore(self):
        s = self.session
        matches = harness.dbf_column(self.path, 'CALL', '--filter', DL)
        self.assertGreater(len(matches), 1)
        self.filter_dl()
        s.wait_counter(' DS: 1')
        s.wait_call(matches[0])
        s.key('Prior')
        s.wait_counter(' DS: %d' % harness.dbf_count(self.path, DL))
        s.wait_call(matches[-1])

        s.wait_active(CAPTION, s.viewer)
        s.key('ctrl+w')
        first = harness.dbf_column(self.path, 'CALL', '--filter', RESTORE, '--sort', 'CALL',
                                   '--limit', '1')[0]
        s.wait_counter(' DS: 1')
        s.wait_call(first)
        s.key('Prior')
        s.wait_counter(' DS: %d' % harness.dbf_count(self.path, RESTORE))

    def test_sort_then_restore(self):
        s = self.session
        by_name = harness.dbf_column(self.path, 'VORNAME', '--sort', 'VORNAME')
        self.open_dialog('ctrl+t', 'Sortieren')
        self.choose('Sortieren', ['Home'] + ['Down'] * 7, '7 VORNAME :')
        s.key('Return')
        s.wait_window_gone('Sortieren', s.viewer)
        s.wait_counter(' DS: 1')
        harness.wait_equal(lambda: s.fields()['VORNAME :'], by_name[0], what='first VORNAME')
        s.key('Prior')
        s.wait_counter(' DS: %d' % len(by_name))
        harness.wait_equal(lambda: s.fields()['VORNAME :'], by_name[-1], what='last VORNAME')

        s.wait_active(CAPTION, s.viewer)
        s.key('ctrl+w')
        by_call = harness.dbf_column(self.path, 'CALL', '--filter', RESTORE, '--sort', 'CALL')
        s.wait_counter(' DS: 1')
        s.wait_call(by_call[0])
        s.key('Up')
        s.wait_call(by_call[1])

    def test_an_outside_change_is_said_once_whatever_commands_follow(self):
        s = self.session
        with open(self.path, 'r+b') as f:  # another program overwrites a name in place
            head = f.read(12)
            f.seek(int.from_bytes(head[8:10], 'little') + 1)
            f.write(b'XX')
        s.key('Up')
        _, text = s.wait_message(' unerwarteter Fehler', s.viewer)
        self.assertIn('wurde von einem anderen Programm überschrieben', text)
        s.key('Return')
        s.wait_window_gone(' unerwarteter Fehler', s.viewer)

        self.filter_dl()
        s.wait_counter(' DS: 1')
        self.open_dialog('ctrl+t', 'Sortieren')
        self.choose('Sortieren', ['Home'] + ['Down'] * 7, '7 VORNAME :')
        s.key('Return')
        s.wait_window_gone('Sortieren', s.viewer)
        s.wait_active(CAPTION, s.viewer)
        s.key('ctrl+w')
        s.wait_active(CAPTION, s.viewer)
        s.key('Up')
        s.wait_counter(' DS: 2')
        self.assertNotIn(' unerwarteter Fehler', s.titles(s.viewer))

    def test_search_steps_to_both_ends_and_back(self):
        s = self.session
        calls = harness.dbf_column(self.path, 'CALL')
        matches = harness.dbf_column(self.path, 'CALL', '--find', DL)
        self.assertGreater(len(matches), 1)
        self.assertNotEqual(calls[0], matches[0])

        self.open_dialog('ctrl+s', 'Suchen')
        self.choose('Suchen', ['Home'], '0 CALL :')
        harness.wait_for(lambda: self.term_box_focused('Suchen'), 5,
                         'the focus in the term box after choosing the column')
        s.type('DL*')
        s.key('Return')

        step_title = '  DL* gefunden. Weitersuchen ? '
        next_option, previous_option = 'Finde den Nächsten', 'Finde den Vorgänger'

        def checked_option():
            window = s.window_node(step_title, s.viewer)
            if window is None:
                return None
            return [n.name for n in s.find(harness.pyatspi.ROLE_RADIO_BUTTON, within=window)
                    if harness.has_state(n, harness.pyatspi.STATE_CHECKED)]

        def at_match(call, option):
            # The field changes while the step dialog is away, so the dialog found active
            # afterwards is the one shown anew.
            s.wait_call(call)
            s.wait_counter(' DS: %d' % (calls.index(call) + 1))
            s.wait_active(step_title, s.viewer)
            harness.wait_equal(checked_option, [option], 5, 'checked search direction')

        def end_message():
            _, text = s.wait_message('Suchen', s.viewer)
            self.assertEqual(text, 'Keine weiteren Entsprechungen - \n'
                                   'zurück zum aktuellen Datensatz.')
            s.wait_active('Suchen', s.viewer)
            s.key('Return')

        at_match(matches[0], next_option)
        for call in matches[1:]:
            s.key('Return')
            at_match(call, next_option)
        s.key('Return')  # past the last match
        end_message()
        at_match(matches[-1], previous_option)
        for call in reversed(matches[:-1]):
            s.key('Return')
            at_match(call, previous_option)
        s.key('Return')  # before the first match
        end_message()
        at_match(matches[0], next_option)
        s.key('Escape')
        s.wait_window_gone(step_title, s.viewer)
        s.wait_active(CAPTION, s.viewer)
        s.wait_call(matches[0])
