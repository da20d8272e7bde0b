"""Runs the real viewer under a private X server for the end-to-end tests: the entry point that
CTest calls, the test case that every test module builds on, and the names those modules use."""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

# Nothing written into the source tree, by the imports of this folder's modules below either.
sys.dont_write_bytecode = True

import accessibility  # noqa: E402
import programs  # noqa: E402
# The names the test modules use as harness.NAME.
from accessibility import (FocusWatch, has_state, is_showing, role,  # noqa: E402,F401
                           value_text, wait_equal, wait_for, walk)
from programs import (CAPTIONS, COLUMNS, dbf_column, dbf_count, dbf_record,  # noqa: E402,F401
                      dbf_records, make_table)
from session import Session, open_sessions  # noqa: E402

SKIP = 77  # CTest's SKIP_RETURN_CODE for these tests
TOOLS = ['Xvfb', 'openbox', 'xdotool', 'xprop', 'dbus-run-session']

pyatspi = None  # the test modules' harness.pyatspi; the entry point connects it


def missing_tools():
    """The reason the suite cannot run here, or '' when everything it needs is present."""
    missing = [tool for tool in TOOLS if shutil.which(tool) is None]
    try:
        import pyatspi as _  # noqa: F401
    except ImportError:
        missing.append('pyatspi (python3-pyatspi) for ' + sys.executable)
    return ', '.join(missing)


class ViewerTestCase(unittest.TestCase):
    """A test with a session of its own, closed (and every process ended) after the test."""

    def setUp(self):
        self.session = Session()
        self.addCleanup(self.nothing_left_in_tmp)
        self.addCleanup(self.session.close)  # runs first

    def nothing_left_in_tmp(self):
        self.assertEqual(self.session.left_in_tmp, [],
                         'folders the viewer left in its TMPDIR')

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
    global pyatspi
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument('module', help='test module in this folder, e.g. test_start')
    parser.add_argument('--viewer', default=programs.VIEWER)
    parser.add_argument('--gen', default=programs.GEN_STATIONS)
    parser.add_argument('--dbf', default=programs.DBF_TOOL)
    parser.add_argument('tests', nargs='*', help='single tests, e.g. StartTest.test_x')
    options = parser.parse_args()
    programs.VIEWER, programs.GEN_STATIONS, programs.DBF_TOOL = (options.viewer, options.gen,
                                                                 options.dbf)

    reason = missing_tools()
    if reason:
        print('SKIPPED: the end-to-end tests need: ' + reason, flush=True)
        return SKIP
    # The programs under test come from the build: without them the build is broken, which
    # is a failure, not a reason to skip.
    for path in (programs.VIEWER, programs.GEN_STATIONS, programs.DBF_TOOL):
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
        env.update(TALVO_E2E_IN_SESSION='1', TALVO_E2E_VIEWER=programs.VIEWER,
                   TALVO_E2E_GEN=programs.GEN_STATIONS, TALVO_E2E_DBF=programs.DBF_TOOL,
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
        for session in list(open_sessions):
            session.close()
        os._exit(128 + number)
    for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(number, stop)

    pyatspi = accessibility.connect()
    sys.modules['harness'] = sys.modules[__name__]  # the test modules share this copy
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
