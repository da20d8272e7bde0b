"""Runs the real viewer under a private X server for the end-to-end tests: the session, waits,
accessibility queries and keys, and the entry point that CTest calls."""

import argparse
import configparser
import csv
import io
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

APP_NAME = 'Talvo-dBase-Viewer'
SKIP = 77  # CTest's SKIP_RETURN_CODE for these tests

# What the programs under test are; the entry point fills these in from its arguments.
VIEWER = os.environ.get('TALVO_E2E_VIEWER', '')
GEN_STATIONS = os.environ.get('TALVO_E2E_GEN', '')
DBF_TOOL = os.environ.get('TALVO_E2E_DBF', '')

TOOLS = ['Xvfb', 'openbox', 'xdotool', 'xprop', 'dbus-run-session']

CAPTIONS = ['CALL :', 'DXCC / WAE :', 'LOCATOR :', 'NEW/OLD - CALL :', 'PR - ADRESSE :',
            'PR - CLUSTER :', 'EMAIL :', 'VORNAME :', 'AKTIVITÄTEN :', 'RIG :',
            'NOF - CW/LPM :', 'NOF - SSB :', 'UPDATE :']
COLUMNS = ['CALL', 'DXCC_WAE', 'LOCATOR', 'NEW_OLD_CA', 'PR_ADRESSE', 'PR_CLUSTER', 'E_MAIL',
           'VORNAME', 'AKTIVIT_TE', 'RIG', 'NOF_CW_LPM', 'NOF_SSB', 'UP_DATE']

pyatspi = None  # imported by the entry point, once the accessibility bus can be reached
try:
    from gi.repository import GLib
    # What a node that went away between two calls raises.
    GONE = (LookupError, GLib.Error)
except ImportError:
    GONE = (LookupError,)
_open_sessions = []  # closed by the signal handler when CTest ends a run early


def missing_tools():
    """The reason the suite cannot run here, or '' when everything it needs is present."""
    missing = [tool for tool in TOOLS if shutil.which(tool) is None]
    try:
        import pyatspi as _  # noqa: F401
    except ImportError:
        missing.append('pyatspi (python3-pyatspi) for ' + sys.executable)
    return ', '.join(missing)


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


def run_tool(*args, **kwargs):
    """Runs one of the helper programs and returns its standard output."""
    kwargs.setdefault('timeout', 30)
    result = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                            check=True, **kwargs)
    return result.stdout


# Tables --------------------------------------------------------------------------------------

def make_table(path, count, seed=1):
    """Writes a generated station table of `count` records to `path`."""
    run_tool(GEN_STATIONS, '--count', str(count), '--seed', str(seed), path)
    return path


def dbf_count(path, criterion=None):
    """The number of records of `path`, through `criterion` when given."""
    args = [DBF_TOOL, 'show', path, '--count']
    if criterion:
        args += ['--filter', criterion]
    return int(run_tool(*args).strip())


def dbf_records(path, *options):
    """The records that `talvo-dbf show path options` lists, in its order, each as a dict of
    the texts that the viewer shows."""
    out = run_tool(DBF_TOOL, 'show', path, '--format', 'csv', *options)
    return list(csv.DictReader(io.StringIO(out, newline='')))


def dbf_column(path, column, *options):
    """One column of the records that `talvo-dbf show path options` lists, in its order."""
    return [record[column] for record in dbf_records(path, *options)]


def dbf_record(path, number):
    """Record `number` (1 for the first) of `path` in file order."""
    return dbf_records(path, '--limit', str(number))[number - 1]


# Accessibility -------------------------------------------------------------------------------

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
    """The node's role as a pyatspi constant (pyatspi.ROLE_PUSH_BUTTON, ...): the names of roles
    differ between releases of the accessibility stack (Debian 13 calls a push button
    "button"), the constants do not."""
    return node.getRole()


class Session:
    """One X display with a window manager, and the viewer's private folders: home, settings,
    runtime (0700) and a working folder. Every process it starts dies with `close`."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix='talvo-e2e-')
        self.home = self._folder('home')
        self.config = self._folder('config')
        self.runtime = self._folder('runtime')
        os.chmod(self.runtime, 0o700)
        self.work = self._folder('work')
        self.tables = self._folder('tables')
        self.wm_home = self._folder('wm')
        self._processes = []
        self.viewer = None
        _open_sessions.append(self)
        try:
            self.display = self._start_x()
            self._start_wm()
        except BaseException:
            self.close()
            raise

    def _folder(self, name):
        path = os.path.join(self.root, name)
        os.mkdir(path)
        return path

    # Processes ---------------------------------------------------------------------------

    def _spawn(self, args, env, cwd=None, log=None, **kwargs):
        # Each child leads its own process group, so that close() ends whatever it started.
        out = open(os.path.join(self.root, (log or os.path.basename(args[0])) + '.log'), 'ab')
        process = subprocess.Popen(args, env=env, cwd=cwd or self.root, stdin=subprocess.DEVNULL,
                                   stdout=out, stderr=subprocess.STDOUT, start_new_session=True,
                                   **kwargs)
        out.close()
        self._processes.append(process)
        return process

    def _start_x(self):
        reader, writer = os.pipe()
        try:
            self._spawn(['Xvfb', '-displayfd', str(writer), '-nolisten', 'tcp', '-noreset',
                         '-screen', '0', '1280x1024x24'], env=self._base_env(self.wm_home),
                        pass_fds=(writer,))
            os.close(writer)
            writer = None
            number = b''
            deadline = time.monotonic() + 20
            while not number.endswith(b'\n'):
                remaining = deadline - time.monotonic()
                if remaining <= 0 or not select.select([reader], [], [], remaining)[0]:
                    break
                chunk = os.read(reader, 16)
                if not chunk:  # Xvfb ended
                    break
                number += chunk
        finally:
            os.close(reader)
            if writer is not None:
                os.close(writer)
        if not number.strip():
            raise AssertionError('Xvfb gave no display number')
        return ':' + number.decode().strip()

    def _start_wm(self):
        self._spawn(['openbox', '--sm-disable'], env=self.x_env(self.wm_home))
        wait_for(lambda: self._wm_running(), 15, 'openbox to manage the display')

    def _wm_running(self):
        result = subprocess.run(['xprop', '-root', '-display', self.display,
                                 '_NET_SUPPORTING_WM_CHECK'], stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True, timeout=10)
        return 'window id' in result.stdout

    def _base_env(self, home):
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(('XDG_', 'QT_', 'DISPLAY', 'WAYLAND', 'SESSION_MANAGER',
                                    'AT_SPI', 'LC_', 'LANG'))}
        env.update(HOME=home, LANG='C.UTF-8')
        return env

    def x_env(self, home=None):
        env = self._base_env(home or self.wm_home)
        env['DISPLAY'] = self.display
        return env

    def viewer_env(self):
        env = self.x_env(self.home)
        env.update(XDG_CONFIG_HOME=self.config, XDG_RUNTIME_DIR=self.runtime,
                   QT_QPA_PLATFORM='xcb', QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1')
        return env

    def start_viewer(self, cwd=None, wait=True):
        """Starts the viewer in `cwd` (the working folder by default); with `wait`, returns once
        its application is in the accessibility tree."""
        process = self._spawn([VIEWER], env=self.viewer_env(), cwd=cwd or self.work, log='viewer')
        if self.viewer is None:
            self.viewer = process
        if wait:
            self.app(process)
        return process

    def ended(self, process, timeout=10):
        """Waits for `process` to end; returns its exit status."""
        try:
            return process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError('the viewer (pid %d) still runs after %d s'
                                 % (process.pid, timeout))

    def close(self):
        for process in reversed(self._processes):
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        for process in reversed(self._processes):
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                try:
                    os.killpg(process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                process.wait(5)
        self._processes.clear()
        shutil.rmtree(self.root, ignore_errors=True)
        if self in _open_sessions:
            _open_sessions.remove(self)

    def log(self):
        """The viewer's output so far, for failure messages."""
        try:
            with open(os.path.join(self.root, 'viewer.log'), errors='replace') as f:
                return f.read()[-4000:]
        except OSError:
            return ''

    # Files -------------------------------------------------------------------------------

    def files_under(self, *folders):
        """Every file below the given folders, as paths."""
        found = []
        for folder in folders:
            for parent, _, names in os.walk(folder):
                found += [os.path.join(parent, name) for name in names]
        return sorted(found)

    def stored_database(self):
        """The value of Settings/Datenbank in the settings file under XDG_CONFIG_HOME, with the
        file's path; (None, None) when there is no such file."""
        for path in self.files_under(self.config):
            parser = configparser.ConfigParser(interpolation=None)
            parser.optionxform = str
            try:
                parser.read(path, encoding='utf-8')
            except configparser.Error:
                continue
            if parser.has_option('Settings', 'Datenbank'):
                return path, parser.get('Settings', 'Datenbank')
        return None, None

    # X windows ---------------------------------------------------------------------------

    def xdotool(self, *args, check=True):
        result = subprocess.run(['xdotool'] + list(args), env=self.x_env(),
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                timeout=30)
        if check and result.returncode != 0 and result.stderr.strip():
            raise AssertionError('xdotool %s: %s' % (' '.join(args), result.stderr.strip()))
        return result.stdout

    def visible_windows(self, process=None):
        """Visible top-level windows (of `process` when given) as {window id: title}."""
        args = ['search', '--all', '--onlyvisible']
        if process is not None:
            args += ['--pid', str(process.pid)]
        args += ['--name', '.*']
        windows = {}
        for wid in self.xdotool(*args, check=False).split():
            title = self.window_title(wid)
            if title is not None:
                windows[wid] = title
        return windows

    def window_title(self, wid):
        """The window's title as the window manager sees it (_NET_WM_NAME), or None."""
        result = subprocess.run(['xprop', '-id', wid, '-notype', '_NET_WM_NAME'],
                                env=self.x_env(), stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True, timeout=10)
        match = re.match(r'_NET_WM_NAME = "(.*)"$', result.stdout.strip(), re.S)
        if not match:
            return None
        return re.sub(r'\\(.)', r'\1', match.group(1))

    def wait_window(self, title, process=None, timeout=10):
        """Waits for a visible window titled exactly `title`; returns its id."""
        seen = {}

        def find():
            seen.update(titles=sorted(self.visible_windows(process).items()))
            for wid, shown in seen['titles']:
                if shown == title:
                    return wid
            return None
        try:
            return wait_for(find, timeout, 'a visible window titled %r' % title)
        except AssertionError as error:
            raise AssertionError('%s; visible windows: %r'
                                 % (error, seen.get('titles'))) from None

    def wait_window_gone(self, title, process=None, timeout=10):
        wait_for(lambda: title not in self.visible_windows(process).values(), timeout,
                 'the window %r to go' % title)

    def titles(self, process=None):
        return sorted(self.visible_windows(process).values())

    def activate(self, wid):
        self.xdotool('windowactivate', '--sync', wid, check=False)
        wait_for(lambda: self.xdotool('getactivewindow', check=False).strip() == str(int(wid)),
                 5, 'window %s to be active' % wid)

    def key(self, *keys, delay=80):
        """Presses the keys (xdotool key names, e.g. ctrl+f, odiaeresis) in the focused
        window, one after the other."""
        self.xdotool('key', '--delay', str(delay), *keys)

    def type(self, text):
        """Types `text` into the focused window; ASCII only (Xvfb's keymap loses umlauts)."""
        assert all(ord(c) < 128 for c in text), text
        self.xdotool('type', '--delay', '60', text)

    def click(self, node):
        """Clicks the middle of an accessible node with the mouse."""
        extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        x, y = extents.x + extents.width // 2, extents.y + extents.height // 2
        self.xdotool('mousemove', '--sync', str(x), str(y), 'click', '1')

    # Accessibility tree ------------------------------------------------------------------

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

    def find(self, wanted_role, name=None, within=None, process=None):
        """The showing nodes of a role (a pyatspi.ROLE_ constant) and name, below `within` or
        in every window."""
        pool = walk(within) if within is not None else self.nodes(process)
        return [n for n in pool if role(n) == wanted_role and (name is None or n.name == name)
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
        window = self.viewer_window_node(process)
        labels = [n for n in walk(window) if role(n) == pyatspi.ROLE_LABEL]
        shown = {}
        for i, node in enumerate(labels[:-1]):
            if node.name in CAPTIONS and node.name not in shown:
                shown[node.name] = labels[i + 1].name
        return shown

    def field_nodes(self, process=None):
        """The value fields' nodes as {caption: node}."""
        window = self.viewer_window_node(process)
        labels = [n for n in walk(window) if role(n) == pyatspi.ROLE_LABEL]
        return {node.name: labels[i + 1] for i, node in enumerate(labels[:-1])
                if node.name in CAPTIONS}

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

    def wait_active(self, title, process=None, timeout=10):
        """Waits for the window titled `title` to be visible and to have the keyboard; returns
        its id."""
        wid = self.wait_window(title, process, timeout)
        wait_for(lambda: self.xdotool('getactivewindow', check=False).strip() == str(int(wid)),
                 timeout, 'the window %r to be active' % title)
        return wid


class ViewerTestCase(unittest.TestCase):
    """A test with a session of its own, closed (and every process ended) after the test."""

    def setUp(self):
        self.session = Session()
        self.addCleanup(self.session.close)

    def start_with_table(self, count=24, seed=2, name='STAT'):
        """Writes a generated table into the working folder and starts the viewer there; returns
        the table's path once the viewer window is active."""
        path = make_table(os.path.join(self.session.work, name + '.dbf'), count, seed)
        self.session.start_viewer()
        self.viewer_wid = self.session.wait_window('  dBase-Viewer: ' + name)
        self.session.activate(self.viewer_wid)
        return path


# Entry point ---------------------------------------------------------------------------------

def main():
    global VIEWER, GEN_STATIONS, DBF_TOOL, pyatspi
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument('module', help='test module in this folder, e.g. test_start')
    parser.add_argument('--viewer', default=VIEWER)
    parser.add_argument('--gen', default=GEN_STATIONS)
    parser.add_argument('--dbf', default=DBF_TOOL)
    parser.add_argument('tests', nargs='*', help='single tests, e.g. StartTest.test_x')
    options = parser.parse_args()
    VIEWER, GEN_STATIONS, DBF_TOOL = options.viewer, options.gen, options.dbf

    reason = missing_tools()
    if reason:
        print('SKIPPED: the end-to-end tests need: ' + reason, flush=True)
        return SKIP
    # The programs under test come from the build: without them the build is broken, which
    # is a failure, not a reason to skip.
    for path in (VIEWER, GEN_STATIONS, DBF_TOOL):
        if not os.access(path, os.X_OK):
            print('FAILED: no program %r' % path, flush=True)
            return 1

    if os.environ.get('TALVO_E2E_IN_SESSION') != '1':
        # Everything runs on a session bus of its own, with the accessibility bus that it
        # starts; its runtime folder is a temporary one, not the user's.
        runtime = tempfile.mkdtemp(prefix='talvo-e2e-bus-')
        os.chmod(runtime, 0o700)
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(('DBUS_', 'AT_SPI', 'DISPLAY', 'WAYLAND', 'XDG_'))}
        env.update(TALVO_E2E_IN_SESSION='1', TALVO_E2E_VIEWER=VIEWER,
                   TALVO_E2E_GEN=GEN_STATIONS, TALVO_E2E_DBF=DBF_TOOL,
                   XDG_RUNTIME_DIR=runtime, HOME=runtime, NO_AT_BRIDGE='0')
        inner = subprocess.Popen(['dbus-run-session', '--', sys.executable,
                                  os.path.abspath(__file__)] + sys.argv[1:], env=env,
                                 start_new_session=True)

        def forward(number, _):
            os.killpg(inner.pid, number)
        for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            signal.signal(number, forward)
        try:
            return inner.wait()
        finally:
            shutil.rmtree(runtime, ignore_errors=True)

    def stop(number, _):
        # Ended from outside (a CTest time-out): the X servers and viewers go too.
        for session in list(_open_sessions):
            session.close()
        os._exit(128 + number)
    for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(number, stop)

    import pyatspi as atspi
    pyatspi = atspi
    sys.modules['harness'] = sys.modules[__name__]  # the test modules share this copy
    sys.dont_write_bytecode = True  # nothing written into the source tree
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    module = __import__(options.module)
    loader = unittest.TestLoader()
    if options.tests:
        suite = loader.loadTestsFromNames(options.tests, module)
    else:
        suite = loader.loadTestsFromModule(module)
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    return 0 if result.wasSuccessful() else 1


if __name__ == '__main__':
    sys.exit(main())
