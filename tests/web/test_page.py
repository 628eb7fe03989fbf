"""The web page in headless Chromium, driven with real pointer and key events
through WebDriver, against the desktop editor.

The seeded sessions of the end-to-end suite (ruvo_session) are played on the
desktop window under Xvfb (by ruvo_e2e, which keeps what each left) and on the
page: the trace, the messages and graph.ruv must be the same bytes, and the
canvas the window's pixels, exactly where WebGL draws 2-pixel lines (Mesa) and
within a measured tolerance where edges are drawn as triangles (SwiftShader).

    python3 tests/web/test_page.py PAGE_DIR DESKTOP_BUILD_DIR [unittest options]

RUVO_SESSION_SEED plays the seeds it lists instead of the fixed ones.
RUVO_SCREENSHOTS=DIR writes DIR/page-phone.png, the page on an emulated phone.

The companion programs, run by the page in its worker, are compared with the
desktop's: the same command lines on the same files must give the same exit
status, messages and output bytes (a layout Graphviz makes with its random
numbers may differ, and must then keep the importer's promises).
"""
import base64
import functools
import gzip
import io
import http.server
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

PAGE, DESKTOP = (os.path.abspath(arg) for arg in sys.argv[1:3])
E2E = os.path.join(DESKTOP, 'tests', 'e2e')
SIZE = 400

# What Chromium needs on a closed network, as root, without a display, and in a
# container whose /dev/shm is small.
QUIET = ['--headless=new', '--no-sandbox', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--no-first-run', '--disable-quic',
         '--disable-dev-shm-usage', '--window-size=1000,700']
MESA = ['--use-angle=gl-egl', '--ignore-gpu-blocklist']
SWIFTSHADER = ['--use-angle=swiftshader', '--enable-unsafe-swiftshader']

# What a session's presses are made with on the page: the buttons of a mouse, or
# left presses with Ctrl and Alt held for the right and middle buttons.
BUTTONS, MODIFIERS = 'buttons', 'modifiers'
# The toolbar's tool for each of GLUT's buttons, and its command for each key.
TOOLS = {'0': 'tool-select', '1': 'tool-join', '2': 'tool-add'}
COMMANDS = {'d': 'delete', 's': 'save', 'l': 'load'}
PHONE = {'width': 360, 'height': 740, 'deviceScaleFactor': 3, 'mobile': True}

# Where an edge is two triangles (SwiftShader), a pixel whose centre lies on or
# next to the border of the edge's 2-pixel parallelogram may come out otherwise
# than in Mesa's 2-pixel line: SwiftShader rounds triangle corners to a
# sixteenth of a pixel, which moves a border by up to 1/32 pixel, and fills a
# pixel whose centre lies exactly on a border by another rule (the sessions'
# vertices sit on pixel corners, so many centres do). So such pixels may
# differ, and no others. Measured over 30 sessions: 0 to 9 pixels of a picture
# differed (at most 1.9% of its drawn pixels), each within 1/64 pixel of a border.
ON_BORDER = 1 / 32


def serve(folder):
    """Serves folder on 127.0.0.1 in a thread; returns the server."""
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0),
                                             functools.partial(Quiet, directory=folder))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def read_ppm(path):
    """The RGB bytes of a binary PPM as ruvo_e2e writes it."""
    with open(path, 'rb') as file:
        data = file.read()
    magic, width, height, _, pixels = data.split(maxsplit=4)
    assert (magic, int(width), int(height)) == (b'P6', SIZE, SIZE), path
    return pixels


def pixel(rgb, x, y):
    return rgb[3 * (y * SIZE + x):3 * (y * SIZE + x) + 3]


def differences(window, canvas):
    """The pixels where canvas differs from window."""
    return [(x, y) for y in range(SIZE) for x in range(SIZE)
            if pixel(window, x, y) != pixel(canvas, x, y)]


def on_edge_borders(graph, points):
    """The points (pixels) whose centre lies within ON_BORDER of a long side of a
    2-pixel line that graph (graph.ruv's text) draws: one pixel to either side
    of an edge, along its minor axis."""
    numbers = graph.split()
    vertices, at = [], 4
    for _ in range(int(numbers[3])):
        x, y, count = float(numbers[at]), float(numbers[at + 1]), int(numbers[at + 2])
        vertices.append(((x + 1) * SIZE / 2, (1 - y) * SIZE / 2, numbers[at + 3:at + 3 + count]))
        at += 3 + count
    sides = []
    for ax, ay, targets in vertices:
        for target in targets:
            bx, by, _ = vertices[int(target)]
            across = abs(bx - ax) >= abs(by - ay)
            (a, b), (c, d) = ((ax, bx), (ay, by)) if across else ((ay, by), (ax, bx))
            if a != b:
                sides += [(a, b, c + offset, d + offset, across) for offset in (-1, 1)]

    def on_side(px, py, side):
        a, b, c, d, across = side
        major, minor = (px, py) if across else (py, px)
        return (min(a, b) <= major <= max(a, b) and
                abs(c + (d - c) * (major - a) / (b - a) - minor) < ON_BORDER)

    return [(x, y) for x, y in points if any(on_side(x + 0.5, y + 0.5, s) for s in sides)]


class Browser:
    """A headless Chromium of its own (profile, downloads) on the page."""

    def __init__(self, flags):
        self.folder = tempfile.mkdtemp(prefix='ruvo-web-')
        self.downloads = os.path.join(self.folder, 'downloads')
        options = webdriver.ChromeOptions()
        options.binary_location = shutil.which('chromium') or '/usr/bin/chromium'
        for flag in QUIET + flags + ['--user-data-dir=' + os.path.join(self.folder, 'profile')]:
            options.add_argument(flag)
        # Exports download one after another from a click, which Chromium
        # would otherwise hold back after the first.
        options.add_experimental_option('prefs', {
            'download.default_directory': self.downloads,
            'profile.default_content_setting_values.automatic_downloads': 1})
        options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
        self.server = serve(PAGE)
        self.driver = webdriver.Chrome(
            service=Service(shutil.which('chromedriver') or '/usr/bin/chromedriver'),
            options=options)

    def close(self):
        self.driver.quit()
        self.stop_server()
        shutil.rmtree(self.folder, ignore_errors=True)

    def stop_server(self):
        """Stops serving the page; a request to it is refused from now on."""
        self.server.shutdown()
        self.server.server_close()

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def cdp(self, command, **params):
        return self.driver.execute_cdp_cmd(command, params)

    def uncaught_errors(self):
        """The uncaught errors the console has shown since the last call."""
        return [entry['message'] for entry in self.driver.get_log('browser')
                if 'Uncaught' in entry['message']]

    def wait(self, script, *args, what='the page'):
        """Waits up to ten seconds for script to return something true; returns it."""
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            value = self.js(script, *args)
            if value:
                return value
            time.sleep(0.02)
        raise AssertionError('timed out waiting for ' + what)

    def url(self):
        return 'http://127.0.0.1:%d/' % self.server.server_address[1]

    def open(self):
        """Loads the page, leaving the last without asking; returns milliseconds
        from navigation to the first frame."""
        self.js('window.addEventListener("beforeunload", function (event) {'
                ' event.stopImmediatePropagation(); }, true)')
        self.driver.get(self.url())
        return float(self.wait('return document.body.dataset.firstFrame', what='the first frame'))

    def text(self, element_id):
        """An element's text once the page has drawn its next frame."""
        return self.js('return new Promise(function (done) { requestAnimationFrame(function () {'
                       ' done(document.getElementById(arguments[0]).textContent); }); })'
                       .replace('arguments[0]', repr(element_id)))

    def canvas_box(self):
        return self.js('return document.getElementById("canvas").getBoundingClientRect().toJSON()')

    def file(self):
        return self.js('try { return FS.readFile("graph.ruv", {encoding: "utf8"}); }'
                       ' catch (e) { return null; }')

    def play(self, steps, presses=BUTTONS):
        """Plays ruvo_session's steps with real pointer and key events."""
        rect = self.canvas_box()
        # At a whole-pixel position each pointer position falls on one pixel.
        assert rect['left'] % 1 == 0 and rect['top'] % 1 == 0, rect
        chain = ActionChains(self.driver, duration=0)
        pointer, keys = chain.w3c_actions.pointer_action, chain.w3c_actions.key_action

        def point(x, y):
            pointer.move_to_location(int(rect['left']) + int(x), int(rect['top']) + int(y))
            keys.pause(0)

        def button(down, number):
            (pointer.pointer_down if down else pointer.pointer_up)(button=number)
            keys.pause(0)

        for line in steps.splitlines():
            kind, *words = line.split()
            if kind == 'press':
                point(*words[1:])
                modifier = {'2': Keys.CONTROL, '1': Keys.ALT}.get(words[0])
                if presses == MODIFIERS and modifier:
                    keys.key_down(modifier)
                    pointer.pause(0)
                    button(True, 0)
                    button(False, 0)
                    keys.key_up(modifier)
                    pointer.pause(0)
                else:
                    button(True, int(words[0]))
                    button(False, int(words[0]))
            elif kind == 'drag':
                for i in range(0, len(words), 2):
                    point(*words[i:i + 2])
                    if i == 0:
                        button(True, 0)
                button(False, 0)
            else:
                keys.key_down(words[0]).key_up(words[0])
                pointer.pause(0)
                pointer.pause(0)
        chain.perform()

    def downloaded(self, element_id, name):
        """Clicks an element and returns the bytes of the file name it downloads."""
        path = os.path.join(self.downloads, name)
        if os.path.exists(path):
            os.remove(path)
        self.driver.find_element('id', element_id).click()
        # Chromium may name the file before it has written all of it: done when
        # no partial download is left and the size holds still (every file the
        # page downloads has something in it).
        deadline = time.monotonic() + 30
        size = -1
        while time.monotonic() < deadline:
            time.sleep(0.05)
            if not os.path.exists(path) or os.path.getsize(path) == 0:
                continue
            if any(n.endswith('.crdownload') for n in os.listdir(self.downloads)):
                continue
            if os.path.getsize(path) == size:
                break
            size = os.path.getsize(path)
        with open(path, 'rb') as file:
            return file.read()

    def touch(self, kind, x, y):
        """One touch event of the first finger at (x, y) in CSS pixels."""
        points = [] if kind == 'touchEnd' else [{'x': x, 'y': y, 'id': 0}]
        self.cdp('Input.dispatchTouchEvent', type=kind, touchPoints=points)

    def tap(self, element_id):
        """Taps the middle of an element with a finger, and waits for its click."""
        box = self.js('var element = document.getElementById(arguments[0]);'
                      'element.dataset.tapped = ""; element.addEventListener("click",'
                      ' function () { element.dataset.tapped = "yes"; }, {once: true});'
                      'return element.getBoundingClientRect().toJSON()', element_id)
        x, y = box['left'] + box['width'] / 2, box['top'] + box['height'] / 2
        self.touch('touchStart', x, y)
        self.touch('touchEnd', x, y)
        self.wait('return document.getElementById(arguments[0]).dataset.tapped', element_id,
                  what='a tap on ' + element_id)

    def play_touch(self, steps):
        """Plays ruvo_session's steps with a finger: presses and drags on the
        canvas with the toolbar's tools, keys with its commands (a key without
        one only repaints, so it is left out)."""
        rect = self.canvas_box()

        def at(x, y):  # the middle of window pixel (x, y), in CSS pixels
            return (rect['left'] + (int(x) + 0.5) * rect['width'] / SIZE,
                    rect['top'] + (int(y) + 0.5) * rect['height'] / SIZE)

        tool = 'tool-select'
        for line in steps.splitlines():
            kind, *words = line.split()
            if kind == 'key':
                if words[0].lower() in COMMANDS:
                    self.tap(COMMANDS[words[0].lower()])
                continue
            wanted = TOOLS[words[0]] if kind == 'press' else 'tool-select'
            if wanted != tool:
                self.tap(wanted)
                tool = wanted
            points = [at(*words[1:3])] if kind == 'press' else \
                [at(*words[i:i + 2]) for i in range(0, len(words), 2)]
            self.touch('touchStart', *points[0])
            for point in points[1:]:
                self.touch('touchMove', *point)
            if len(points) > 1:
                # A finger lifted while moving flings, and the browser takes the
                # next tap as the one that stops the fling: it clicks nothing.
                time.sleep(0.2)
            self.touch('touchEnd', *points[-1])

    def pixels(self):
        """The canvas as RGB bytes, top row first."""
        return base64.b64decode(self.js('''
            var gl = Module.ctx, size = arguments[0], rgba = new Uint8Array(size * size * 4);
            gl.readPixels(0, 0, size, size, gl.RGBA, gl.UNSIGNED_BYTE, rgba);
            var text = '';
            for (var y = size - 1; y >= 0; --y)
              for (var x = 0; x < size; ++x)
                for (var c = 0; c < 3; ++c)
                  text += String.fromCharCode(rgba[4 * (y * size + x) + c]);
            return btoa(text);''', SIZE))


def seeds():
    return subprocess.run([os.path.join(E2E, 'ruvo_session'), 'seeds'], check=True,
                          capture_output=True, text=True).stdout.split()


def setUpModule():
    """Plays every session on the desktop window and keeps what each left."""
    global DESKTOP_RECORD
    DESKTOP_RECORD = tempfile.mkdtemp(prefix='ruvo-desktop-')
    played = subprocess.run([os.path.join(E2E, 'ruvo_e2e'),
                             '--gtest_filter=RuvoSession.SeededSessionsLeaveWhatTheModelLeaves'],
                            env=dict(os.environ, RUVO_SESSION_RECORD=DESKTOP_RECORD),
                            capture_output=True, text=True)
    if played.returncode != 0:
        raise AssertionError('the desktop sessions failed:\n' + played.stdout + played.stderr)


def tearDownModule():
    shutil.rmtree(DESKTOP_RECORD, ignore_errors=True)


def desktop_left(seed):
    """What seed's session left on the desktop: trace, messages, file, picture."""
    folder = os.path.join(DESKTOP_RECORD, seed)
    left = {}
    for name in ('trace.txt', 'stderr.txt', 'graph.ruv'):
        with open(os.path.join(folder, name), encoding='utf-8') as file:
            left[name] = file.read()
    return left, read_ppm(os.path.join(folder, 'window.ppm'))


def session_steps(seed):
    return subprocess.run([os.path.join(E2E, 'ruvo_session'), 'steps', seed],
                          check=True, capture_output=True, text=True).stdout


class WithBrowser:
    """A test class whose tests share one Chromium, started with flags."""
    flags = MESA

    @classmethod
    def setUpClass(cls):
        cls.browser = Browser(cls.flags)

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()


class Sessions(WithBrowser):
    """Each seeded session, played on a fresh page with each way of pressing in
    presses, leaves what it left on the desktop; the canvas is compared by
    compare_pictures."""
    edges = ''
    presses = (BUTTONS,)

    def start_session(self):
        """A fresh page without a file, as on the desktop; returns ms to its first frame."""
        started = self.browser.open()
        self.browser.js('try { FS.unlink("graph.ruv"); } catch (e) {}')
        return started

    def left_on_page(self):
        return {'trace.txt': self.browser.text('trace'),
                'stderr.txt': self.browser.text('messages'),
                'graph.ruv': self.browser.file()}

    def test_sessions_leave_what_the_desktop_leaves(self):
        started = []
        for seed in seeds():
            for presses in self.presses:
                with self.subTest(RUVO_SESSION_SEED=seed, presses=presses):
                    started.append(self.start_session())
                    self.assertEqual(self.browser.js(
                        'return document.getElementById("canvas").dataset.edges'), self.edges)
                    self.browser.play(session_steps(seed), presses)
                    left, window = desktop_left(seed)
                    self.assertEqual(self.left_on_page(), left)
                    self.compare_pictures(window, self.browser.pixels(), left['graph.ruv'])
        self.assertEqual(self.browser.uncaught_errors(), [])
        print('\n%s: first frame %s ms after navigation' % (
            type(self).__name__, ', '.join('%.0f' % ms for ms in started)), file=sys.stderr)


class SessionsOnMesa(Sessions, unittest.TestCase):
    flags = MESA
    edges = 'lines'
    presses = (BUTTONS, MODIFIERS)

    def compare_pictures(self, window, canvas, graph):
        self.assertEqual(differences(window, canvas), [])


class SessionsOnSwiftShader(Sessions, unittest.TestCase):
    flags = SWIFTSHADER
    edges = 'triangles'

    def compare_pictures(self, window, canvas, graph):
        differing = differences(window, canvas)
        print('SwiftShader: %d pixels differ' % len(differing), file=sys.stderr)
        self.assertEqual(differing, on_edge_borders(graph, differing))


class SessionsOnPhone(Sessions, unittest.TestCase):
    """The sessions played with a finger and the toolbar on an emulated phone
    leave the desktop's trace, messages and file, and the page never scrolls
    sideways."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.browser.cdp('Emulation.setDeviceMetricsOverride', **PHONE)
        cls.browser.cdp('Emulation.setTouchEmulationEnabled', enabled=True, maxTouchPoints=5)

    def test_sessions_leave_what_the_desktop_leaves(self):
        for seed in seeds():
            with self.subTest(RUVO_SESSION_SEED=seed):
                self.start_session()
                self.assertLessEqual(
                    self.browser.js('return document.documentElement.scrollWidth'), PHONE['width'])
                self.browser.play_touch(session_steps(seed))
                self.assertEqual(self.left_on_page(), desktop_left(seed)[0])
                self.assertEqual(self.browser.js('return window.scrollX'), 0)
        shots = os.environ.get('RUVO_SCREENSHOTS')
        if shots:
            os.makedirs(shots, exist_ok=True)
            self.browser.driver.save_screenshot(os.path.join(shots, 'page-phone.png'))
        self.assertEqual(self.browser.uncaught_errors(), [])
        # The narrowest screen the page is made for.
        self.browser.cdp('Emulation.setDeviceMetricsOverride', **dict(PHONE, width=320))
        self.assertLessEqual(self.browser.js('return document.documentElement.scrollWidth'), 320)


class Storage(WithBrowser, unittest.TestCase):
    """graph.ruv in the browser's storage: kept over a reload, downloaded, opened
    from a file, and refused where Linux refuses it."""

    def setUp(self):
        self.browser.open()
        self.browser.js('FS.chmod(".", 0o777); try { FS.rmdir("graph.ruv"); } catch (e) {}'
                        ' try { FS.unlink("graph.ruv"); } catch (e) {}')

    def save(self, steps):
        """Plays steps, which end with S, and waits for the storage to keep the file."""
        stored = int(self.browser.js('return document.body.dataset.stored || 0'))
        self.browser.play(steps)
        self.browser.wait('return (document.body.dataset.stored || 0) > arguments[0]', stored,
                          what='the storage after S')

    def test_reload_keeps_a_saved_graph_and_download_gives_the_screen(self):
        self.save('press 2 100 200\npress 2 300 200\npress 0 100 200\npress 1 300 200\nkey S\n')
        saved = '0\n-1\n1\n2\n-0.500000 0.000000 1\n1\n0.500000 0.000000 0\n'
        self.assertEqual(self.browser.file(), saved)
        self.assertEqual(self.browser.text('status'), 'Saved graph.ruv: 2 vertices, 1 edge')
        self.browser.play('press 2 200 100\n')
        self.assertEqual(self.browser.downloaded('download', 'graph.ruv').decode(),
                         saved.replace('\n2\n', '\n3\n', 1) + '0.000000 0.500000 0\n')
        self.assertEqual(self.browser.file(), saved)

        self.browser.open()
        self.browser.play('key L\n')
        self.assertEqual(self.browser.text('trace'), '-0.5 0 1\n1\n0.5 0 0\n')
        self.assertEqual(self.browser.text('status'), 'Loaded graph.ruv: 2 vertices, 1 edge')
        self.assertEqual(pixel(self.browser.pixels(), 200, 200), b'\0\0\0')

    def test_open_checks_the_file_before_it_replaces_the_graph(self):
        self.save('press 2 100 200\nkey S\n')
        saved = self.browser.file()
        cases = [  # the file's name, its text, what it adds to the trace and the messages
            ('notes.txt', 'hello\n', '',
             'ruvo: notes.txt not loaded: line 1: expected the selected vertex, found "hello"\n'),
            ('mine.ruv', '0 -1 -1 1\n0.25 0.5 0\n', '0.25 0.5 0\n', ''),
        ]
        for name, text, echo, message in cases:
            with self.subTest(name):
                before = self.browser.pixels()
                trace, messages = self.browser.text('trace'), self.browser.text('messages')
                opened = os.path.join(self.browser.folder, name)
                with open(opened, 'w', encoding='utf-8') as file:
                    file.write(text)
                self.browser.driver.find_element('id', 'open').send_keys(opened)
                self.browser.wait('return document.getElementById("status").textContent'
                                  '.indexOf(arguments[0]) >= 0', name, what='the opened file')
                self.assertEqual(self.browser.text('trace')[len(trace):], echo)
                self.assertEqual(self.browser.text('messages')[len(messages):], message)
                self.assertEqual(self.browser.file(), saved)
                after = self.browser.pixels()
                if echo:
                    self.assertEqual(self.browser.text('status'), 'Opened mine.ruv: 1 vertex, '
                                     '0 edges; S saves it as graph.ruv.')
                    self.assertEqual(pixel(after, 250, 100), b'\xff\0\0')
                else:
                    self.assertEqual(self.browser.text('status'), message[len('ruvo: '):-1])
                    self.assertEqual(after, before)
        self.browser.open()
        self.assertEqual(self.browser.file(), saved)

    def test_leaving_asks_after_an_edit_and_not_after_a_save_or_load(self):
        self.save('key S\n')
        # A middle press with nothing selected changes nothing; a selection is saved.
        for steps, asks in [('press 2 100 200', True), ('key S', False), ('press 1 100 200', False),
                            ('press 0 120 200', True), ('key S', False), ('key d', True),
                            ('key L', False)]:
            with self.subTest(steps):
                self.browser.play(steps + '\n')
                self.assertEqual(self.browser.js(
                    'var event = new Event("beforeunload", {cancelable: true});'
                    'window.dispatchEvent(event); return event.defaultPrevented;'), asks)

    def test_saving_and_loading_refuse_what_linux_refuses(self):
        cases = [  # what is there, the key, the message, what graph.ruv then holds
            ('FS.mkdir("graph.ruv")', 's',
             'ruvo: graph not saved to graph.ruv: Is a directory\n', None),
            ('FS.writeFile("graph.ruv", "kept\\n"); FS.chmod("graph.ruv", 0o444)', 's',
             'ruvo: graph not saved to graph.ruv: the file is read-only for you\n', 'kept\n'),
            ('FS.chmod(".", 0o555)', 's',
             'ruvo: graph not saved to graph.ruv: the directory does not let a new file be made,'
             ' and there is no file to write in place (Permission denied)\n', None),
            ('FS.writeFile("graph.ruv", "old\\n"); FS.chmod(".", 0o555)', 's', '',
             '-1\n-1\n-1\n0\n'),
            ('FS.writeFile("graph.ruv", "-1 -1 -1 3\\n0.5 0.5 0\\n")', 'l',
             'ruvo: graph.ruv not loaded: line 2: the file ends where an x coordinate should'
             ' be\n', '-1 -1 -1 3\n0.5 0.5 0\n'),
        ]
        for setup, key, message, holds in cases:
            with self.subTest(setup):
                self.setUp()
                self.browser.js(setup)
                self.browser.play('key %s\n' % key)
                self.assertEqual(self.browser.text('messages'), message)
                self.assertEqual(self.browser.file(), holds)
                self.assertEqual([name for name in self.browser.js('return FS.readdir(".")')
                                  if name.startswith('graph.ruv.')], [], 'a temporary is left')


class Controls(WithBrowser, unittest.TestCase):
    """The keyboard belongs to the focused control, and the picture is crisp."""

    def focused(self):
        return self.browser.js('return document.activeElement.id')

    def test_tab_and_enter_reach_the_buttons_and_a_text_field_keeps_its_letters(self):
        self.browser.open()
        self.browser.js('FS.chmod(".", 0o777); try { FS.unlink("graph.ruv"); } catch (e) {}')
        self.browser.play('press 2 100 200\n')
        self.assertEqual(self.focused(), 'canvas')
        keys = ActionChains(self.browser.driver, duration=0)
        keys.key_down(Keys.SHIFT).send_keys(Keys.TAB).send_keys(Keys.TAB).key_up(Keys.SHIFT)
        keys.perform()
        self.assertEqual(self.focused(), 'save')
        ActionChains(self.browser.driver, duration=0).send_keys(Keys.ENTER).perform()
        self.assertEqual(self.browser.file(), '-1\n-1\n-1\n1\n-0.500000 0.000000 0\n')
        self.assertEqual(self.browser.text('status'), 'Saved graph.ruv: 1 vertex, 0 edges')
        ActionChains(self.browser.driver, duration=0).send_keys(Keys.TAB, Keys.TAB).perform()
        self.assertEqual(self.focused(), 'canvas')

        self.browser.js('var field = document.createElement("input"); field.id = "field";'
                        'document.querySelector(".pane").appendChild(field);')
        self.browser.driver.find_element('id', 'field').click()
        self.browser.driver.find_element('id', 'field').send_keys('dsl D')
        self.assertEqual(self.browser.js('return document.getElementById("field").value'),
                         'dsl D')
        self.assertEqual(self.browser.text('trace'), '')
        self.assertEqual(self.browser.js('return Module._countVertices()'), 1)

    def test_at_pixel_ratio_2_each_pixel_is_2_by_2(self):
        self.browser.cdp('Emulation.setDeviceMetricsOverride', width=1000, height=700,
                         deviceScaleFactor=2, mobile=False)
        try:
            self.browser.open()
            self.browser.play(session_steps(seeds()[0]))
            box = self.browser.canvas_box()
            shot = self.browser.cdp('Page.captureScreenshot', format='png', clip={
                'x': box['left'], 'y': box['top'], 'width': SIZE, 'height': SIZE, 'scale': 1})
            from PIL import Image
            picture = Image.open(io.BytesIO(base64.b64decode(shot['data']))).convert('RGB')
            doubled = Image.frombytes('RGB', (SIZE, SIZE), self.browser.pixels()).resize(
                (2 * SIZE, 2 * SIZE), Image.NEAREST)
            self.assertEqual(picture.size, doubled.size)
            self.assertTrue(picture.tobytes() == doubled.tobytes(),
                            'the screenshot is not the canvas doubled')
        finally:
            self.browser.cdp('Emulation.clearDeviceMetricsOverride')


class WithoutServerOrWebGL(unittest.TestCase):
    """Where the page cannot run it says why, without an uncaught error; once
    visited, it runs without its server."""

    def check_says(self, browser, words):
        browser.wait('return document.body.dataset.cannotRun', what='the page\'s message')
        self.assertTrue(browser.js('return !document.getElementById("cannot-run").hidden'))
        self.assertIn(words, browser.text('cannot-run'))
        self.assertEqual(browser.uncaught_errors(), [])

    def test_without_webgl_and_from_a_file_it_says_why(self):
        browser = Browser(MESA + ['--disable-webgl'])
        try:
            browser.driver.get(browser.url())
            self.check_says(browser, 'Ruvo needs WebGL')
            browser.driver.get('file://' + os.path.join(PAGE, 'index.html'))
            self.check_says(browser, 'python3 -m http.server')
        finally:
            browser.close()

    def test_after_one_visit_it_starts_with_the_server_stopped(self):
        browser = Browser(MESA)
        try:
            browser.open()
            browser.wait('return navigator.serviceWorker.controller !== null',
                         what='the service worker')
            # The companions are kept when first used, not at the first load.
            version = 'return new Promise(function (done) {' \
                ' runCompanion("ruvo-export", ["--version"], {}, []).then(done); })'
            self.assertEqual(browser.js(version)['status'], 0)
            browser.stop_server()
            browser.open()
            browser.play('press 2 200 200\n')
            self.assertEqual(pixel(browser.pixels(), 200, 200), b'\0\0\0')
            self.assertEqual(browser.js(version)['status'], 0)
            self.assertEqual(browser.uncaught_errors(), [])
        finally:
            browser.close()
def random_graph(rng):
    """A graph file of 5 to 40 vertices, some at whole pixels, some outside the
    window, with self-edges, repeated entries and a selection."""
    count = rng.randint(5, 40)
    at = []
    for _ in range(count):
        if rng.random() < 0.5:
            at.append(((rng.randint(-4, 404) - 200) / 200, (200 - rng.randint(-4, 404)) / 200))
        else:
            at.append((rng.uniform(-1.05, 1.05), rng.uniform(-1.05, 1.05)))
    adjacency = [[rng.randrange(count) for _ in range(rng.randint(0, 3))] for _ in range(count)]
    selected = rng.randint(-1, count - 1)
    target = rng.choice(adjacency[selected]) if selected >= 0 and adjacency[selected] else -1
    lines = [str(selected), str(target), str(rng.randint(-1, count - 1)), str(count)]
    for (x, y), targets in zip(at, adjacency):
        lines.append('%.6f %.6f %d' % (x, y, len(targets)))
        lines += [str(k) for k in targets]
    return ('\n'.join(lines) + '\n').encode()


def run_desktop(program, args, inputs, outputs):
    """Runs the desktop program with args in a folder holding inputs; returns
    what the page's runCompanion returns."""
    with tempfile.TemporaryDirectory(prefix='ruvo-companion-') as folder:
        for name, data in inputs.items():
            with open(os.path.join(folder, name), 'wb') as file:
                file.write(data)
        ran = subprocess.run([os.path.join(DESKTOP, program)] + args, cwd=folder,
                             capture_output=True)
        files = {}
        for name in outputs:
            if os.path.exists(os.path.join(folder, name)):
                with open(os.path.join(folder, name), 'rb') as file:
                    files[name] = file.read()
        return {'status': ran.returncode, 'stdout': ran.stdout, 'stderr': ran.stderr,
                'files': files}


def layout_promises(graph):
    """What an importer's layout must keep, broken: vertices outside the window
    or closer than 4 pixels to another (less the file's rounding to six
    decimals); [] when it keeps them."""
    numbers = graph.split()
    points, at = [], 4
    for _ in range(int(numbers[3])):
        points.append((float(numbers[at]) * SIZE / 2, float(numbers[at + 1]) * SIZE / 2))
        at += 3 + int(numbers[at + 2])
    broken = ['outside: %r' % (p,) for p in points if max(abs(p[0]), abs(p[1])) > SIZE / 2 - 2]
    for i, p in enumerate(points):
        broken += ['close: %r %r' % (p, q) for q in points[i + 1:]
                   if math.hypot(p[0] - q[0], p[1] - q[1]) < 4 - 1e-3]
    return broken


class Companions(unittest.TestCase):
    """ruvo-export and ruvo-import in the page's worker against the desktop's."""

    # ruvo-export's command lines, as the page's Export control gives them.
    EXPORTS = [['-f', 'svg', '-o', 'graph.svg'], ['-f', 'png', '-o', 'graph.png'],
               ['-f', 'png', '--scale', '3', '-o', 'graph.png'],
               ['-f', 'tikz', '-o', 'graph.tikz'],
               ['-f', 'tikz', '--standalone', '-o', 'graph.tex'],
               ['-f', 'dot', '-o', 'graph.dot'], ['-f', 'graphml', '-o', 'graph.graphml'],
               ['-f', 'bmp', '-o', 'graph.bmp']]
    CORPUS = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'fuzz',
                          'import_corpus')

    @classmethod
    def setUpClass(cls):
        cls.browser = Browser(MESA)
        cls.browser.driver.set_script_timeout(120)
        cls.browser.open()

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()

    def run_page(self, program, args, inputs, outputs):
        """Runs program in the page's worker; returns its outcome with the files
        as bytes."""
        outcome = self.browser.driver.execute_async_script('''
            var done = arguments[arguments.length - 1], inputs = {};
            var given = arguments[2];
            Object.keys(given).forEach(function (name) {
              inputs[name] = Uint8Array.from(atob(given[name]),
                                             function (c) { return c.charCodeAt(0); });
            });
            function base64(bytes) {
              var text = \'\';
              bytes.forEach(function (b) { text += String.fromCharCode(b); });
              return btoa(text);
            }
            runCompanion(arguments[0], arguments[1], inputs, arguments[3]).then(function (o) {
              if (o.error)
                return done({error: o.error});
              var files = {};
              Object.keys(o.files).forEach(function (name) { files[name] = base64(o.files[name]); });
              done({status: o.status, stdout: base64(o.stdout), stderr: base64(o.stderr),
                    files: files});
            });''', program, args,
            {name: base64.b64encode(data).decode() for name, data in inputs.items()}, outputs)
        self.assertNotIn('error', outcome)
        return {'status': outcome['status'], 'stdout': base64.b64decode(outcome['stdout']),
                'stderr': base64.b64decode(outcome['stderr']),
                'files': {name: base64.b64decode(data) for name, data in outcome['files'].items()}}

    def test_exports_of_random_graphs_are_the_desktops_bytes(self):
        rng = random.Random(int(os.environ.get('RUVO_PICTURE_SEED', '1')))
        for graph in range(int(os.environ.get('RUVO_PICTURE_GRAPHS', '4'))):
            inputs = {'graph.ruv': random_graph(rng)}
            for args in self.EXPORTS:
                with self.subTest(graph=graph, args=args):
                    page = self.run_page('ruvo-export', args, inputs, [args[-1]])
                    desktop = run_desktop('ruvo-export', args, inputs, [args[-1]])
                    self.assertEqual(page, desktop)
                    self.assertEqual(args[-1] in page['files'], args[1] != 'bmp')

    def corpus_file(self, name):
        with open(os.path.join(self.CORPUS, name), 'rb') as file:
            return file.read()[1:]

    def open_file(self, name, data):
        """Chooses a file with Open."""
        path = os.path.join(self.browser.folder, name)
        with open(path, 'wb') as file:
            file.write(data)
        self.browser.driver.find_element('id', 'open').send_keys(path)

    def drop_file(self, name, data):
        """Drops a file on the page's help text, as a file manager would."""
        self.browser.js('''
            var data = new DataTransfer();
            data.items.add(new File([Uint8Array.from(atob(arguments[1]),
                                     function (c) { return c.charCodeAt(0); })], arguments[0]));
            document.querySelector('.help').dispatchEvent(
                new DragEvent('drop', {dataTransfer: data, bubbles: true, cancelable: true}));''',
                        name, base64.b64encode(data).decode())

    def test_open_and_drop_import_as_the_desktop_and_a_refusal_changes_nothing(self):
        drawn = self.corpus_file('graphml-yed')
        cases = [('drawn.xml', drawn), ('drawn.graphmlz', gzip.compress(drawn, mtime=0)),
                 ('broken.dot', self.corpus_file('dot-syntax-error'))]
        stored = b'0\n-1\n-1\n1\n0.250000 0.500000 0\n'
        for name, data in cases:
            desktop = run_desktop('ruvo-import', ['-o', '-', '--', name], {name: data}, [])
            left = []
            for choose in (self.open_file, self.drop_file):
                with self.subTest(name, way=choose.__name__):
                    self.browser.open()
                    self.browser.js('FS.writeFile("graph.ruv", arguments[0]);'
                                    ' document.getElementById("status").textContent = ""',
                                    stored.decode())
                    before = (self.browser.pixels(), self.browser.text('trace'), stored.decode())
                    choose(name, data)
                    status = self.browser.wait(
                        'var text = document.getElementById("status").textContent;'
                        ' return text.indexOf("Importing") < 0 && text', what='the import')
                    screen = self.browser.js('return Module.graphOnScreen()')
                    after = (self.browser.pixels(), self.browser.text('trace'), self.browser.file())
                    if desktop['status'] == 0:
                        self.assertEqual(screen.encode(), desktop['stdout'])
                        self.assertTrue(status.startswith('Opened ' + name), status)
                        self.assertEqual(after[2], before[2])
                    else:
                        self.assertEqual(after, before)
                        refusal = desktop['stderr'].decode().strip().split('\n')
                        self.assertEqual(status, ' '.join(refusal))
                    left.append((status, after))
            self.assertEqual(left[0], left[1])

    def test_export_control_writes_the_desktops_bytes(self):
        self.browser.open()
        graph = random_graph(random.Random(int(os.environ.get('RUVO_PICTURE_SEED', '1'))))
        self.browser.js('Module.openGraphFile("seeded.ruv",'
                        ' new TextEncoder().encode(arguments[0]))', graph.decode())
        screen = self.browser.js('return Module.graphOnScreen()').encode()
        labels = [option.text for option in self.browser.driver.find_elements(
            'css selector', '#export-format option')]
        for label, args in zip(labels, [args for args in self.EXPORTS if '--scale' not in args]):
            with self.subTest(label):
                self.browser.js('document.getElementById("export-format").selectedIndex ='
                                ' arguments[0]', labels.index(label))
                page = self.browser.downloaded('export', args[-1])
                desktop = run_desktop('ruvo-export', args + ['graph.ruv'],
                                      {'graph.ruv': screen}, [args[-1]])
                self.assertEqual(page, desktop['files'][args[-1]])
                self.assertEqual(self.browser.text('status'),
                                 'Exported the graph on screen as %s.' % args[-1])

    def test_imports_are_the_desktops_or_keep_its_promises(self):
        # The fuzz corpus of ruvo-import's readers: a first byte that picks the
        # format, then the file.
        for name in sorted(os.listdir(self.CORPUS)):
            with open(os.path.join(self.CORPUS, name), 'rb') as file:
                data = file.read()
            inputs = {'input': data[1:]}
            format = ['graphml', 'gexf', 'dot', 'edgelist', 'gml'][data[0] % 5]
            args = ['-f', format, '-o', 'graph.ruv', 'input']
            with self.subTest(name):
                page = self.run_page('ruvo-import', args, inputs, ['graph.ruv'])
                desktop = run_desktop('ruvo-import', args, inputs, ['graph.ruv'])
                if page == desktop:
                    continue
                # Only a layout of vertices the file does not place may differ.
                self.assertEqual((page['status'], page['stderr']),
                                 (desktop['status'], desktop['stderr']))
                graph = page['files']['graph.ruv'].decode()
                self.assertEqual(len(graph.split()), len(desktop['files']['graph.ruv'].split()))
                self.assertEqual(layout_promises(graph), [])
                self.assertEqual(self.run_page('ruvo-import', args, inputs, ['graph.ruv']), page)


if __name__ == '__main__':
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
