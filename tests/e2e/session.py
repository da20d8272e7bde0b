"""One private X display with a window manager for the end-to-end tests: the viewer's
folders, the processes it starts and ends, and the X windows driven with xdotool."""

import configparser
import os
import re
import select
import shutil
import signal
import subprocess
import tempfile
import time

import programs
from accessibility import ViewerTree, wait_for

open_sessions = []  # closed by the entry point's signal handler when CTest ends a run early


class Session(ViewerTree):
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
        self.tmp = self._folder('tmp')  # the viewer's TMPDIR
        self.left_in_tmp = []  # what the viewers left there, as close() found it
        self.wm_home = self._folder('wm')
        self._processes = []
        self.viewer = None
        open_sessions.append(self)
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
        env.update(XDG_CONFIG_HOME=self.config, XDG_RUNTIME_DIR=self.runtime, TMPDIR=self.tmp,
                   QT_QPA_PLATFORM='xcb', QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1')
        return env

    def start_viewer(self, cwd=None, wait=True):
        """Starts the viewer in `cwd` (the working folder by default); with `wait`, returns once
        its application is in the accessibility tree."""
        process = self._spawn([programs.VIEWER], env=self.viewer_env(), cwd=cwd or self.work, log='viewer')
        if self.viewer is None:
            self.viewer = process
        if wait:
            self.app(process)
        return process

    def start_x_client(self, *args):
        """Starts an X client of another program (e.g. xmessage) on the display."""
        return self._spawn(list(args), env=self.x_env())

    def ended(self, process, timeout=10):
        """Waits for `process` to end; returns its exit status."""
        try:
            return process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError('the viewer (pid %d) still runs after %d s'
                                 % (process.pid, timeout))

    def close(self):
        # The latest first, each ended before the next: the viewers while their X server and
        # window manager still run, so that they end as they do when the session ends.
        for process in reversed(self._processes):
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                try:
                    os.killpg(process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                process.wait(5)
        self._processes.clear()
        self.left_in_tmp = self.program_folders_in_tmp()
        shutil.rmtree(self.root, ignore_errors=True)
        if self in open_sessions:
            open_sessions.remove(self)

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

    def program_folders_in_tmp(self):
        """The folders the viewer made in its TMPDIR and left there."""
        return sorted(name for name in os.listdir(self.tmp) if name.startswith(programs.APP_NAME + '-'))

    def clipboard(self):
        """The text of the X clipboard, read with xclip."""
        return subprocess.run(['xclip', '-o', '-selection', 'clipboard'], env=self.x_env(),
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              timeout=10).stdout.decode('utf-8', 'replace')

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

    def wait_active(self, title, process=None, timeout=10):
        """Waits for the window titled `title` to be visible and to have the keyboard; returns
        its id."""
        wid = self.wait_window(title, process, timeout)
        wait_for(lambda: self.xdotool('getactivewindow', check=False).strip() == str(int(wid)),
                 timeout, 'the window %r to be active' % title)
        return wid


