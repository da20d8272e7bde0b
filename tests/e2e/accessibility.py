"""The viewer as the accessibility tree shows it, for the end-to-end tests: the waits that
tolerate nodes going away, walking the tree, the focus as a screen reader hears of it, and the
session's queries of the viewer's windows, fields and menus."""

import time

from programs import APP_NAME, CAPTIONS

pyatspi = None  # imported by connect(), once the accessibility bus can be reached
try:
    from gi.repository import GLib
    # What a node that went away between two calls raises.
    GONE = (LookupError, GLib.Error)
except ImportError:
    GONE = (LookupError,)


def connect():
    """Imports pyatspi for this module and returns it; only inside the test's session bus."""
    global pyatspi
    import pyatspi as atspi
    pyatspi = atspi
    return atspi


def wait_for(condition, timeout=10.0, what='condition', interval=0.1):
    """Polls `condition` until it returns something true and returns that; fails after
    `timeout` seconds, naming `what` and the last value seen."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        try:
            last = condition()
        except GONE as error:
            last = error
        else:
            if last:
                return last
        if time.monotonic() > deadline:
            raise AssertionError('timed out after %.0f s waiting for %s (last seen: %r)'
                                 % (timeout, what, last))
        time.sleep(interval)


def wait_equal(read, expected, timeout=10.0, what='value'):
    """Polls `read` until it returns `expected`; fails with the last value read."""
    seen = []

    def check():
        seen[:] = [read()]
        return seen[0] == expected
    try:
        wait_for(check, timeout, what)
    except AssertionError:
        raise AssertionError('%s: expected %r, last read %r'
                             % (what, expected, seen[0] if seen else None)) from None


def _pump():
    """Lets the accessibility library take in the events that keep its caches current."""
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def walk(node, depth=0, limit=40):
    """Yields `node` and everything below it."""
    yield node
    if depth >= limit:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1, limit)


def is_showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def has_state(node, state):
    return node.getState().contains(state)


def role(node):
    return node.getRole()


def value_text(node):
    """The text of a node that offers one (a value field of the viewer), or None."""
    try:
        return node.queryText().getText(0, -1)
    except NotImplementedError:
        return None


class FocusWatch:
    """Records the nodes that gain the focus, as a screen reader hears of them: also those of
    windows that the accessibility tree does not list, such as a context menu."""
    EVENT = 'object:state-changed:focused'

    def __init__(self):
        self._seen = []
        pyatspi.Registry.registerEventListener(self._note, self.EVENT)

    def _note(self, event):
        if event.detail1:
            try:
                self._seen.append((role(event.source), event.source.name))
            except GONE:
                pass

    def seen(self):
        """(role, name) of each node that took the focus so far, in order."""
        _pump()
        return list(self._seen)

    def close(self):
        pyatspi.Registry.deregisterEventListener(self._note, self.EVENT)


class ViewerTree:
    """The Session's queries of the viewer through the accessibility tree; the Session brings
    the viewer's process, its log and the X windows."""

    def app(self, process=None, timeout=20):
        """The viewer's application node (of `process`, the first viewer by default)."""
        process = process or self.viewer
        pid = process.pid

        def find():
            if process.poll() is not None:
                raise AssertionError('the viewer ended (status %s): %s'
                                     % (process.returncode, self.log()))
            _pump()
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                node = desktop.getChildAtIndex(i)
                try:
                    if node is not None and node.name == APP_NAME and node.get_process_id() == pid:
                        return node
                except Exception:  # an application that went away meanwhile
                    continue
            return None
        return wait_for(find, timeout, 'the viewer in the accessibility tree')

    def nodes(self, process=None):
        """Every node of the viewer's showing windows, freshly read."""
        app = self.app(process)
        result = []
        for i in range(app.childCount):
            window = app.getChildAtIndex(i)
            if window is not None and is_showing(window):
                result += list(walk(window))
        return result

    def window_node(self, title, process=None):
        """The showing top-level node titled `title`, or None."""
        app = self.app(process)
        for i in range(app.childCount):
            window = app.getChildAtIndex(i)
            if window is not None and window.name == title and is_showing(window):
                return window
        return None

    def find(self, kind, name=None, within=None, process=None):
        """The showing nodes of a role (a pyatspi.ROLE_… constant) and name, below `within` or
        in every window."""
        pool = walk(within) if within is not None else self.nodes(process)
        return [n for n in pool if role(n) == kind and (name is None or n.name == name)
                and is_showing(n)]

    def texts(self, window):
        """The names of the labels of a window, in tree order."""
        return [n.name for n in walk(window) if role(n) == pyatspi.ROLE_LABEL]

    def counter(self, process=None):
        """The record counter's text (" DS: n"), or None."""
        for node in self.nodes(process):
            if role(node) == pyatspi.ROLE_LABEL and node.name.startswith(' DS: '):
                return node.name
        return None

    def wait_counter(self, expected, process=None, timeout=10):
        wait_equal(lambda: self.counter(process), expected, timeout, 'record counter')

    def wait_call(self, expected, process=None, timeout=10):
        wait_equal(lambda: self.call(process), expected, timeout, 'CALL field')

    def fields(self, process=None):
        """The value fields of the viewer window as {caption: shown text}."""
        return {caption: value_text(node)
                for caption, node in self.field_nodes(process).items()}

    def field_nodes(self, process=None):
        """The value fields' nodes as {caption: node}: static texts named by their caption,
        whose text is the value."""
        window = self.viewer_window_node(process)
        return {n.name: n for n in walk(window) if role(n) == pyatspi.ROLE_LABEL
                and n.name in CAPTIONS and value_text(n) is not None}

    def call(self, process=None):
        return self.fields(process).get('CALL :')

    def viewer_window_node(self, process=None):
        app = self.app(process)
        for i in range(app.childCount):
            window = app.getChildAtIndex(i)
            # "  dBase-Viewer: …", or right after opening a file "dBase-Viewer: …".
            if (window is not None and role(window) == pyatspi.ROLE_FRAME
                    and 'dBase' in window.name):
                return window
        raise LookupError('no viewer window')

    def popup_items(self, process=None):
        """The items of the menu that is open, as [(name, enabled)]."""
        items = []
        for menu in self.find(pyatspi.ROLE_POPUP_MENU, process=process):
            items += [(n.name, has_state(n, pyatspi.STATE_ENABLED))
                      for n in walk(menu) if role(n) == pyatspi.ROLE_MENU_ITEM]
        return items

    def wait_message(self, title, process=None, timeout=10):
        """Waits for a message box titled `title`; returns (window id, its text)."""
        wid = self.wait_window(title, process, timeout)

        def text():
            window = self.window_node(title, process)
            labels = [t for t in self.texts(window) if t] if window is not None else []
            return labels[0] if labels else None
        return wid, wait_for(text, timeout, 'the text of the box %r' % title)

    def click(self, node):
        """Clicks the middle of an accessible node with the mouse."""
        extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        x, y = extents.x + extents.width // 2, extents.y + extents.height // 2
        self.xdotool('mousemove', '--sync', str(x), str(y), 'click', '1')
