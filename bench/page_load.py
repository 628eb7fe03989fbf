"""L of a large graph in the web page beside the desktop window, in one run on
one machine: graphs of 10^4 and 10^5 vertices (about 2.3 edges each, fixed
seed), each loaded three times in each. Both times run from the L key to the
trace of a middle press made right after it, so they hold the load, its echo,
the repaint and, in the page, the trace pane written and one more repaint.

    python3 bench/page_load.py PAGE_DIR DESKTOP_RUVO
"""
import functools
import http.server
import os
import random
import shutil
import subprocess
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains

PAGE, RUVO = (os.path.abspath(arg) for arg in sys.argv[1:3])
SIZES = (10 ** 4, 10 ** 5)
RUNS = 3
# The middle press after L: vertex 0 is selected in the file, so it writes "middle".
MIDDLE_AT = (200, 200)


def graph_text(count):
    """A graph file of count vertices, vertex 0 selected."""
    rng = random.Random(count)
    lines = ['0', '-1', '-1', str(count)]
    for _ in range(count):
        targets = [rng.randrange(count) for _ in range(rng.choice((2, 2, 3)))]
        lines.append('%.6f %.6f %d' % (rng.uniform(-1, 1), rng.uniform(-1, 1), len(targets)))
        lines += [str(t) for t in targets]
    return '\n'.join(lines) + '\n'


def desktop_seconds(folder):
    """Seconds from the L key to "middle" in the desktop editor's trace."""
    ready = os.path.join(folder, 'display')
    with open(ready, 'w') as out:
        xvfb = subprocess.Popen(['Xvfb', '-displayfd', '1', '-screen', '0', '640x480x24',
                                 '-nolisten', 'tcp'], stdout=out, stderr=subprocess.DEVNULL)
    try:
        while not open(ready).read().strip():
            time.sleep(0.02)
        env = dict(os.environ, DISPLAY=':' + open(ready).read().strip())
        trace = os.path.join(folder, 'trace.txt')
        with open(trace, 'wb') as out:
            ruvo = subprocess.Popen([RUVO], cwd=folder, env=env, stdout=out,
                                    stderr=subprocess.DEVNULL)
        try:
            window = ''
            while not window:
                window = subprocess.run(['xdotool', 'search', '--name', '^Ruvo$'], env=env,
                                        capture_output=True, text=True).stdout.split('\n')[0]
                time.sleep(0.05)
            subprocess.run(['xdotool', 'mousemove', '--window', window, str(MIDDLE_AT[0]),
                            str(MIDDLE_AT[1])], env=env, check=True)
            time.sleep(0.3)
            start = time.perf_counter()
            subprocess.run(['xdotool', 'key', 'l', 'click', '2'], env=env, check=True)
            while True:
                with open(trace, 'rb') as file:
                    file.seek(max(0, os.path.getsize(trace) - 7))
                    if file.read() == b'middle\n':
                        return time.perf_counter() - start
                time.sleep(0.001)
        finally:
            ruvo.kill()
            ruvo.wait()
    finally:
        xvfb.kill()
        xvfb.wait()


class Page:
    """The page in headless Chromium on Mesa, served from PAGE."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix='ruvo-bench-')
        handler = functools.partial(type('Quiet', (http.server.SimpleHTTPRequestHandler,),
                                         {'log_message': lambda *args: None}), directory=PAGE)
        self.server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        options = webdriver.ChromeOptions()
        options.binary_location = shutil.which('chromium') or '/usr/bin/chromium'
        for flag in ['--headless=new', '--no-sandbox', '--disable-dev-shm-usage',
                     '--window-size=1000,700', '--use-angle=gl-egl', '--ignore-gpu-blocklist',
                     '--user-data-dir=' + os.path.join(self.folder, 'profile')]:
            options.add_argument(flag)
        self.driver = webdriver.Chrome(
            service=Service(shutil.which('chromedriver') or '/usr/bin/chromedriver'),
            options=options)

    def close(self):
        self.driver.quit()
        self.server.shutdown()
        self.server.server_close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def seconds(self, text):
        """Seconds from the L key to the frame after the middle press."""
        self.driver.get('http://127.0.0.1:%d/' % self.server.server_address[1])
        js = self.driver.execute_script
        deadline = time.monotonic() + 30
        while not js('return document.body.dataset.firstFrame') and time.monotonic() < deadline:
            time.sleep(0.05)
        js('FS.writeFile("graph.ruv", arguments[0]);'
           'window.addEventListener("keydown", function () { window.start = performance.now(); },'
           ' true);'
           'window.addEventListener("pointerdown", function () { requestAnimationFrame('
           ' function () { window.end = performance.now(); }); });', text)
        box = js('return document.getElementById("canvas").getBoundingClientRect().toJSON()')
        chain = ActionChains(self.driver, duration=0)
        chain.w3c_actions.pointer_action.move_to_location(int(box['left']) + MIDDLE_AT[0],
                                                          int(box['top']) + MIDDLE_AT[1])
        chain.w3c_actions.key_action.pause(0)
        chain.w3c_actions.key_action.key_down('l').key_up('l')
        chain.w3c_actions.pointer_action.pause(0).pause(0)
        chain.w3c_actions.pointer_action.pointer_down(button=1).pointer_up(button=1)
        chain.w3c_actions.key_action.pause(0).pause(0)
        chain.perform()
        deadline = time.monotonic() + 120
        while not js('return window.end') and time.monotonic() < deadline:
            time.sleep(0.01)
        if not js('return document.getElementById("trace").textContent.endsWith("middle\\n")'):
            raise SystemExit('page_load.py: the page did not finish L')
        blank = js('var gl = Module.ctx, rgba = new Uint8Array(400 * 400 * 4);'
                   'gl.readPixels(0, 0, 400, 400, gl.RGBA, gl.UNSIGNED_BYTE, rgba);'
                   'return rgba.every(function (v) { return v === 255; });')
        if blank:
            raise SystemExit('page_load.py: the canvas stayed blank after L')
        return js('return (window.end - window.start) / 1000')


def main():
    page = Page()
    print('%-10s %12s %12s %8s' % ('vertices', 'desktop s', 'page s', 'ratio'))
    try:
        for count in SIZES:
            folder = tempfile.mkdtemp(prefix='ruvo-bench-')
            try:
                text = graph_text(count)
                with open(os.path.join(folder, 'graph.ruv'), 'w') as file:
                    file.write(text)
                desktop = min(desktop_seconds(folder) for _ in range(RUNS))
                browser = min(page.seconds(text) for _ in range(RUNS))
                print('%-10d %12.3f %12.3f %8.2f' % (count, desktop, browser, browser / desktop),
                      flush=True)
            finally:
                shutil.rmtree(folder, ignore_errors=True)
    finally:
        page.close()


if __name__ == '__main__':
    main()
