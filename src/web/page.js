// The page around the editor, run before the program (Emscripten's pre-js). It
// hands pointer, touch and key events on the canvas to the editor's own GLUT
// handlers (src/ui/input.h), runs the toolbar, shows the trace, the messages and
// a status line, keeps the editor's working directory in the browser's storage
// (IndexedDB, through Emscripten's IDBFS, one store for each folder the page is
// served from), and opens and downloads graph files. Every edit is made by the
// program; this script only maps events and reports what happened.
//
// For companions.js, which runs Open and drop: Module.openGraphFile(name, bytes)
// opens a graph file as L loads, Module.showStatus(text) writes the status line,
// Module.graphOnScreen() gives the graph on screen as S would write it, and
// Module.downloadFile(data, name, type) saves a file on the user's disk.
(function () {
  'use strict';

  var fileName = 'graph.ruv';     // the editor's file, in its working directory
  var traceLimit = 10000;         // the lines the trace pane keeps, like a terminal's scrollback
  var canvas = document.getElementById('canvas');
  var status = document.getElementById('status');
  var storing = false;            // a copy to IndexedDB is under way
  var storeAgain = false;         // files changed while it was, so another must follow
  var stored = 0;                 // copies to IndexedDB finished so far
  var running = false;            // the program's main has run, so its handlers can be called
  var pointer = null;             // the pointer whose presses reach the editor; null when none is down
  var heldButtons = [];           // GLUT buttons that pointer holds down, in the order pressed
  var lastPixel = null;           // the window pixel of the last press or motion sent, [x, y]

  // GLUT's button numbers, which the DOM's MouseEvent.button shares.
  var LEFT = 0, MIDDLE = 1, RIGHT = 2;

  // Returns the folder of the working directory: one for each folder the page
  // is served from, so that copies of the page keep their own graph.ruv. The
  // page at the site's root keeps the name it has always had.
  function storageFolder() {
    var served = location.pathname.replace(/[^/]*$/, '').replace(/\/$/, '');
    return '/ruvo' + served;
  }

  // Returns a pane that shows the last limit lines written to it, byte by byte
  // through its put (Emscripten's stdout or stderr device), in element. Bytes
  // are decoded and the element written at most once a frame: a load of a large
  // graph echoes hundreds of thousands of lines in one handler. The runtime's
  // own notes (GL emulation warnings) do not come this way: they go to the console.
  function linePane(element, limit) {
    var bytes = new Uint8Array(4096); // written and not yet decoded
    var length = 0;                   // bytes of it used
    var decoder = new TextDecoder();
    var lines = [];                   // decoded whole lines, oldest first; at most twice limit
    var waiting = false;              // a write is asked for the next frame
    var pane = {added: 0};            // added: whole lines written so far

    // Moves the whole lines written into lines.
    function decode() {
      // (lastIndexOf counts a negative start from the end, so length 0 is left out.)
      var end = length > 0 ? bytes.lastIndexOf(10, length - 1) + 1 : 0;
      if (end === 0)
        return;
      var text = decoder.decode(bytes.subarray(0, end));
      bytes.copyWithin(0, end, length);
      length -= end;
      var start = 0;
      for (var next = text.indexOf('\n'); next >= 0; next = text.indexOf('\n', start)) {
        lines.push(text.slice(start, next + 1));
        start = next + 1;
      }
      if (lines.length >= 2 * limit)
        lines = lines.slice(lines.length - limit);
    }

    function write() {
      waiting = false;
      decode();
      if (lines.length > limit)
        lines = lines.slice(lines.length - limit);
      element.textContent = lines.join('');
      element.scrollTop = element.scrollHeight;
    }

    // Takes written, the bytes of one write (signed, from the program's memory
    // as Int8Array; storing them wraps them to bytes).
    pane.putBytes = function (written) {
      if (length + written.length > bytes.length) {
        var larger = new Uint8Array(2 * (length + written.length));
        larger.set(bytes.subarray(0, length));
        bytes = larger;
      }
      bytes.set(written, length);
      for (var i = 0; i < written.length; ++i)
        pane.added += written[i] === 10 ? 1 : 0;
      length += written.length;
      if (length > (1 << 20))
        decode();
      if (!waiting) {
        waiting = true;
        requestAnimationFrame(write);
      }
    };
    // Takes one byte, as Emscripten's stdout and stderr devices hand them on.
    pane.put = function (byte) {
      if (byte !== null)
        pane.putBytes([byte]);
    };
    // Makes the program's writes to descriptor fd come here whole, not byte by
    // byte through put: the device's own write calls put once a byte.
    pane.takeWritesTo = function (fd) {
      var stream = FS.getStream(fd);
      stream.stream_ops = Object.assign({}, stream.stream_ops, {
        write: function (stream, buffer, offset, count) {
          pane.putBytes(buffer.subarray(offset, offset + count));
          return count;
        }
      });
    };
    // Returns the lines added since the count was before, at most limit of them.
    pane.since = function (before) {
      decode();
      return lines.slice(Math.max(0, lines.length - (pane.added - before)));
    };
    return pane;
  }

  var trace = linePane(document.getElementById('trace'), traceLimit);
  var messages = linePane(document.getElementById('messages'), traceLimit);

  // Shows text as the one status line: what the page or a command last did.
  function showStatus(text) {
    status.textContent = text;
  }

  // The words for an error from Emscripten's file system, by its errno values.
  function describe(error) {
    var words = {44: 'there is no such file', 31: 'it is a directory', 2: 'it is read-only'};
    return words[error && error.errno] || String(error);
  }

  // Returns "N vertices, M edges" for the graph on screen.
  function graphSize() {
    var n = Module._countVertices(), m = Module._countEdges();
    return n + (n === 1 ? ' vertex, ' : ' vertices, ') + m + (m === 1 ? ' edge' : ' edges');
  }

  // Returns the status for a command that failed: the first message it wrote
  // without the program's name, or fallback when it wrote none.
  function failure(messagesBefore, fallback) {
    var written = messages.since(messagesBefore);
    return written.length ? written[0].replace(/^ruvo: /, '').replace(/\n$/, '') : fallback;
  }

  // Says why the page cannot run where the canvas would be, and keeps the
  // program from loading.
  function cannotRun(text) {
    var place = document.getElementById('cannot-run');
    place.textContent = text;
    place.hidden = false;
    canvas.hidden = true;
    document.body.dataset.cannotRun = 'true';
    // The program never starts: its WebAssembly is not even fetched.
    Module.instantiateWasm = function () { return {}; };
  }

  // Returns whether this browser gives the page WebGL, asked of a canvas of its own.
  function hasWebGL() {
    try {
      return !!(window.WebGLRenderingContext && document.createElement('canvas').getContext('webgl'));
    } catch (error) {
      return false;
    }
  }

  if (location.protocol === 'file:') {
    cannotRun('Ruvo cannot run from a file opened in the browser, which will not load its ' +
              'program that way. Serve this folder and open the address the server gives: in ' +
              'Ruvo\'s source, bash tools/web --serve; in this folder, python3 -m http.server ' +
              '(or any static file server).');
  } else if (!hasWebGL()) {
    cannotRun('Ruvo needs WebGL, which this browser does not offer here. Try turning on ' +
              'hardware acceleration in the browser\'s settings, updating the graphics driver, ' +
              'or another browser.');
  }

  Module.canvas = canvas;
  Module.stdout = trace.put;
  Module.stderr = messages.put;
  Module.showStatus = showStatus;

  // The program starts only once the storage has been read, so an L right away
  // finds the graph saved in an earlier visit.
  Module.preRun = [function () {
    var folder = storageFolder();
    FS.mkdirTree(folder);
    FS.mount(IDBFS, {}, folder);
    FS.chdir(folder);
    addRunDependency('storage');
    FS.syncfs(true, function (error) {
      if (error)
        showStatus('This browser\'s storage could not be read (' + error + '); a saved graph ' +
                   'lasts only until the page is closed.');
      removeRunDependency('storage');
    });
  }];

  Module.postRun = [function () {
    trace.takeWritesTo(1);
    messages.takeWritesTo(2);
    running = true;
    canvas.dataset.edges = Module._edgesDrawnAsTriangles() ? 'triangles' : 'lines';
    canvas.focus();
    // GLUT asked for the first frame while main ran; this comes right after it.
    requestAnimationFrame(function () {
      document.body.dataset.firstFrame = performance.now().toFixed(1);
    });
  }];

  // Copies the working directory to IndexedDB once the handler that changed it
  // has returned. Called by the program after it writes a file; changes during a
  // copy are taken by another copy after it.
  Module.storeFiles = function () {
    if (storing) {
      storeAgain = true;
      return;
    }
    storing = true;
    setTimeout(function () {
      FS.syncfs(false, function (error) {
        storing = false;
        if (error)
          showStatus(fileName + ' could not be kept in this browser\'s storage (' + error +
                     '); download it to keep it.');
        document.body.dataset.stored = String(++stored);
        if (storeAgain) {
          storeAgain = false;
          Module.storeFiles();
        }
      });
    }, 0);
  };

  // ---- Keys and commands: the editor's keyboard handler, as on the desktop ----

  // Hands key to the editor's keyboard handler, and reports a save or a load.
  function pressKey(key) {
    if (!running)
      return;
    var command = key.toLowerCase();
    var successes = Module._countFileSuccesses(), before = messages.added;
    var at = lastPixel || [0, 0];
    getWasmTableEntry(GLUT.keyboardFunc)(key.charCodeAt(0) & 0xff, at[0], at[1]);
    if (command !== 's' && command !== 'l')
      return;
    var done = Module._countFileSuccesses() > successes;
    if (!done)
      showStatus(failure(before, command === 's' ? 'Not saved.' : 'Not loaded.'));
    else
      showStatus((command === 's' ? 'Saved ' : 'Loaded ') + fileName + ': ' + graphSize());
  }

  // A character typed on the canvas goes to the editor; Tab, Enter, arrows and
  // shortcuts with Ctrl, Alt or Meta keep their meaning on the page.
  canvas.addEventListener('keydown', function (event) {
    if (event.key.length !== 1 || event.ctrlKey || event.altKey || event.metaKey)
      return;
    event.preventDefault();
    pressKey(event.key);
  });

  [['delete', 'd'], ['save', 's'], ['load', 'l']].forEach(function (command) {
    document.getElementById(command[0]).addEventListener('click', function () {
      pressKey(command[1]);
    });
  });

  // The tools: the button a primary press (touch, pen, left without a modifier) acts as.
  var tools = {'tool-select': LEFT, 'tool-add': RIGHT, 'tool-join': MIDDLE};
  Object.keys(tools).forEach(function (id) {
    document.getElementById(id).addEventListener('click', function () {
      if (!running)
        return;
      Module._chooseTool(tools[id]);
      Object.keys(tools).forEach(function (other) {
        document.getElementById(other).setAttribute('aria-pressed', String(other === id));
      });
    });
  });

  // ---- Pointers: the editor's mouse and motion handlers, as GLUT calls them ----

  // Returns the window pixel under event, at whatever size the canvas is shown.
  function windowPixel(event) {
    var box = canvas.getBoundingClientRect();
    return [Math.floor((event.clientX - box.left) * canvas.width / box.width),
            Math.floor((event.clientY - box.top) * canvas.height / box.height)];
  }

  // Hands a press (state 0) or release (state 1) of button to the editor, with
  // the modifiers event holds, as GLUT does.
  function sendButton(event, button, state) {
    lastPixel = windowPixel(event);
    GLUT.saveModifiers(event);
    getWasmTableEntry(GLUT.mouseFunc)(button, state, lastPixel[0], lastPixel[1]);
  }

  // Hands the pointer's move to the editor's motion handler, when it moved to another pixel.
  function sendMotion(event) {
    var at = windowPixel(event);
    if (lastPixel && at[0] === lastPixel[0] && at[1] === lastPixel[1])
      return;
    lastPixel = at;
    GLUT.saveModifiers(event);
    getWasmTableEntry(GLUT.motionFunc)(at[0], at[1]);
  }

  // The buttons a mouse reports in MouseEvent.buttons, by GLUT number.
  var buttonBits = [1, 4, 2];

  // Only the first pointer down counts; a touch or a pen presses as the left button.
  canvas.addEventListener('pointerdown', function (event) {
    canvas.focus();
    event.preventDefault();
    if (!running || pointer !== null || event.button < LEFT || event.button > RIGHT)
      return;
    pointer = event.pointerId;
    canvas.setPointerCapture(pointer);
    heldButtons = [event.button];
    sendButton(event, event.button, 0);
  });

  canvas.addEventListener('pointermove', function (event) {
    if (event.pointerId !== pointer)
      return;
    event.preventDefault();
    // A mouse button pressed or released while another is held comes as a move.
    var button = event.button;
    if (button >= LEFT && button <= RIGHT) {
      var down = (event.buttons & buttonBits[button]) !== 0;
      heldButtons = heldButtons.filter(function (held) { return held !== button; });
      if (down)
        heldButtons.push(button);
      sendButton(event, button, down ? 0 : 1);
      return;
    }
    sendMotion(event);
  });

  // Releases every button the pointer holds; a cancelled touch ends as a release.
  function endPointer(event) {
    if (event.pointerId !== pointer)
      return;
    event.preventDefault();
    pointer = null;
    var released = heldButtons;
    heldButtons = [];
    released.forEach(function (button) { sendButton(event, button, 1); });
  }
  canvas.addEventListener('pointerup', endPointer);
  canvas.addEventListener('pointercancel', endPointer);

  // Ctrl+click, a right press and a long touch open no menu over the canvas.
  canvas.addEventListener('contextmenu', function (event) { event.preventDefault(); });

  // ---- Files: Open, Download, and a warning before unsaved edits are lost ----

  // Opens a graph file as L loads graph.ruv, checked by the editor's loader
  // first: a file it refuses changes nothing. graph.ruv is left alone until S.
  function openGraphFile(name, bytes) {
    if (!running)
      return false;
    var folder = '/opened'; // outside the stored folder, emptied after each open
    var path = folder + '/file';
    var before = messages.added;
    FS.mkdirTree(folder);
    FS.writeFile(path, bytes);
    var opened = Module.ccall('openGraph', 'number', ['string', 'string'], [path, name]) === 1;
    FS.unlink(path);
    showStatus(opened ? 'Opened ' + name + ': ' + graphSize() + '; S saves it as ' + fileName + '.'
                      : failure(before, name + ' was not opened.'));
    return opened;
  }
  Module.openGraphFile = openGraphFile;

  // Returns the graph on screen as S would write it; null before the program runs.
  function graphOnScreen() {
    return running ? UTF8ToString(Module._graphOnScreen()) : null;
  }
  Module.graphOnScreen = graphOnScreen;

  // Hands data (text or bytes) to the browser to save on the user's disk as name.
  function downloadFile(data, name, type) {
    var link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([data], {type: type}));
    link.download = name;
    link.click();
    setTimeout(function () { URL.revokeObjectURL(link.href); }, 60000);
  }
  Module.downloadFile = downloadFile;

  document.getElementById('download').addEventListener('click', function () {
    var text = graphOnScreen();
    if (text === null)
      return;
    downloadFile(text, fileName, 'text/plain');
    showStatus('Downloaded the graph on screen as ' + fileName + ': ' + graphSize() + '.');
  });

  window.addEventListener('beforeunload', function (event) {
    if (running && Module._hasUnsavedEdits()) {
      event.preventDefault();
      event.returnValue = '';
    }
  });

  // ---- Offline: the service worker keeps the page's files ----
  if ('serviceWorker' in navigator && location.protocol !== 'file:') {
    navigator.serviceWorker.register('service-worker.js').catch(function (error) {
      console.warn('Ruvo works only online here: ' + error);
    });
  }
})();
