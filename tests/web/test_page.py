"""The web page in headless Chromium, driven with real pointer and key events
through WebDriver, against the desktop editor.

The seeded sessions of the end-to-end suite (ruvo_session) are played on the
desktop window under Xvfb (by ruvo_e2e, which keeps what each left) and on the
page: the trace, the messages and graph.ruv must be the same bytes, and the
canvas the window's pixels, exactly where WebGL draws 2-pixel lines (Mesa) and
within a measured tolerance where edges are drawn as triangles (SwiftShader).

    python3 tests/web/test_page.py PAGE_DIR DESKTOP_BUILD_DIR [unittest options]

RUVO_SESSION_SEED plays the seeds it lists instead of the fixed ones.

The companion programs, run by the page in its worker, are compared with the
desktop's: the same command lines on the same files must give the same exit
status, messages and output bytes (a layout Graphviz makes with its random
numbers may differ, and must then keep the importer's promises).
"""
import base64
import functools
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
        options.add_experimental_option('prefs', {'download.default_directory': self.downloads})
        self.server = serve(PAGE)
        self.driver = webdriver.Chrome(
            service=Service(shutil.which('chromedriver') or '/usr/bin/chromedriver'),
            options=options)

    def close(self):
        self.driver.quit()
        self.server.shutdown()
        shutil.rmtree(self.folder, ignore_errors=True)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def wait(self, script, *args, what='the page'):
        """Waits up to ten seconds for script to return something true; returns it."""
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            value = self.js(script, *args)
            if value:
                return value
            time.sleep(0.02)
        raise AssertionError('timed out waiting for ' + what)

    def open(self):
        """Loads the page; returns milliseconds from navigation to the first frame."""
        self.driver.get('http://127.0.0.1:%d/' % self.server.server_address[1])
        return float(self.wait('return document.body.dataset.firstFrame', what='the first frame'))

    def text(self, element_id):
        return self.js('return document.getElementById(arguments[0]).textContent', element_id)

    def file(self):
        return self.js('try { return FS.readFile("graph.ruv", {encoding: "utf8"}); }'
                       ' catch (e) { return null; }')

    def play(self, steps):
        """Plays ruvo_session's steps with real pointer and key events."""
        rect = self.js('return document.getElementById("canvas").getBoundingClientRect().toJSON()')
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
    played = subprocess.run([os.path.join(E2E, 'ruvo_e2e'), '--gtest_filter=RuvoSession.*'],
                            env=dict(os.environ, RUVO_SESSION_RECORD=DESKTOP_RECORD),
                            capture_output=True, text=True)
    if played.returncode != 0:
        raise AssertionError('the desktop sessions failed:\n' + played.stdout + played.stderr)


def tearDownModule():
    shutil.rmtree(DESKTOP_RECORD, ignore_errors=True)


class Sessions:
    """Each seeded session, played on a fresh page, leaves what it left on the
    desktop; the canvas is compared by compare_pictures."""
    flags = []
    edges = ''

    @classmethod
    def setUpClass(cls):
        cls.browser = Browser(cls.flags)

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()

    def test_sessions_leave_what_the_desktop_leaves(self):
        started = []
        for seed in seeds():
            with self.subTest(RUVO_SESSION_SEED=seed):
                desktop = os.path.join(DESKTOP_RECORD, seed)
                started.append(self.browser.open())
                self.assertEqual(self.browser.js(
                    'return document.getElementById("canvas").dataset.edges'), self.edges)
                # A session starts without a file, as on the desktop.
                self.browser.js('try { FS.unlink("graph.ruv"); } catch (e) {}')
                steps = subprocess.run([os.path.join(E2E, 'ruvo_session'), 'steps', seed],
                                       check=True, capture_output=True, text=True).stdout
                self.browser.play(steps)
                left = {}
                for name, got in (('trace.txt', self.browser.text('trace')),
                                  ('stderr.txt', self.browser.text('messages')),
                                  ('graph.ruv', self.browser.file())):
                    with open(os.path.join(desktop, name), encoding='utf-8') as file:
                        left[name] = file.read()
                    self.assertEqual(got, left[name], name)
                window = read_ppm(os.path.join(desktop, 'window.ppm'))
                self.compare_pictures(window, self.browser.pixels(), left['graph.ruv'])
        print('\n%s: first frame %s ms after navigation' % (
            type(self).__name__, ', '.join('%.0f' % ms for ms in started)), file=sys.stderr)


class SessionsOnMesa(Sessions, unittest.TestCase):
    flags = MESA
    edges = 'lines'

    def compare_pictures(self, window, canvas, graph):
        self.assertEqual(differences(window, canvas), [])


class SessionsOnSwiftShader(Sessions, unittest.TestCase):
    flags = SWIFTSHADER
    edges = 'triangles'

    def compare_pictures(self, window, canvas, graph):
        differing = differences(window, canvas)
        print('SwiftShader: %d pixels differ' % len(differing), file=sys.stderr)
        self.assertEqual(differing, on_edge_borders(graph, differing))


class Storage(unittest.TestCase):
    """graph.ruv in the browser's storage: kept over a reload, downloaded, opened
    from a file, and refused where Linux refuses it."""

    @classmethod
    def setUpClass(cls):
        cls.browser = Browser(MESA)

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()

    def setUp(self):
        self.browser.open()
        self.browser.js('FS.chmod(".", 0o777); try { FS.rmdir("graph.ruv"); } catch (e) {}'
                        ' try { FS.unlink("graph.ruv"); } catch (e) {}')

    def test_reload_keeps_a_saved_graph_and_download_gives_it(self):
        stored = int(self.browser.js('return document.body.dataset.stored || 0'))
        self.browser.play('press 2 100 200\npress 2 300 200\npress 0 100 200\n'
                          'press 1 300 200\nkey S\n')
        self.browser.wait('return (document.body.dataset.stored || 0) > arguments[0]', stored,
                          what='the storage after S')
        saved = '0\n-1\n1\n2\n-0.500000 0.000000 1\n1\n0.500000 0.000000 0\n'
        self.assertEqual(self.browser.file(), saved)
        self.browser.driver.find_element('id', 'download').click()
        downloaded = os.path.join(self.browser.downloads, 'graph.ruv')
        deadline = time.monotonic() + 10
        while not os.path.exists(downloaded) and time.monotonic() < deadline:
            time.sleep(0.05)
        with open(downloaded, encoding='utf-8') as file:
            self.assertEqual(file.read(), saved)

        self.browser.open()
        self.browser.play('key L\n')
        self.assertEqual(self.browser.text('trace'), '-0.5 0 1\n1\n0.5 0 0\n')
        self.assertEqual(pixel(self.browser.pixels(), 200, 200), b'\0\0\0')

    def test_opened_file_loads_with_l(self):
        opened = os.path.join(self.browser.folder, 'mine.ruv')
        with open(opened, 'w', encoding='utf-8') as file:
            file.write('0 -1 -1 1\n0.25 0.5 0\n')
        self.browser.driver.find_element('id', 'open').send_keys(opened)
        self.browser.wait('return document.getElementById("status").textContent',
                          what='the opened file')
        self.browser.play('key l\n')
        self.assertEqual(self.browser.text('trace'), '0.25 0.5 0\n')
        self.assertEqual(pixel(self.browser.pixels(), 250, 100), b'\xff\0\0')

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

    def test_imports_are_the_desktops_or_keep_its_promises(self):
        # The fuzz corpus of ruvo-import's readers: a first byte that picks the
        # format, then the file.
        for name in sorted(os.listdir(self.CORPUS)):
            with open(os.path.join(self.CORPUS, name), 'rb') as file:
                data = file.read()
            inputs = {'input': data[1:]}
            format = ['graphml', 'gexf', 'dot', 'edgelist'][data[0] % 4]
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
