// The page around the editor, run before the program (Emscripten's pre-js): it
// shows the trace and the messages as they come, keeps the editor's working
// directory in the browser's storage (IndexedDB, through Emscripten's IDBFS),
// reads that storage before the program starts and writes it back after every
// save, and copies graph.ruv to and from the user's own files.
(function () {
  'use strict';

  var fileName = 'graph.ruv'; // the editor's file, in its working directory
  var folder = '/ruvo';       // the working directory, where the storage is mounted
  var canvas = document.getElementById('canvas');
  var trace = document.getElementById('trace');
  var messages = document.getElementById('messages');
  var status = document.getElementById('status');
  var storing = false;   // a copy to IndexedDB is under way
  var storeAgain = false; // files changed while it was, so another must follow
  var stored = 0;        // copies to IndexedDB finished so far

  // Returns a byte-by-byte writer for Emscripten's stdout or stderr device that
  // appends each line to element as it is completed. The runtime's own notes
  // (GL emulation warnings) do not come this way: they go to the console.
  function lineWriter(element) {
    var bytes = [];
    var decoder = new TextDecoder();
    var scrolling = false; // a scroll to the last line waits for the next frame
    return function (byte) {
      if (byte === null)
        return;
      // Bytes come signed, from the program's memory as Int8Array.
      bytes.push(byte & 0xff);
      if (byte !== 10)
        return;
      element.appendChild(document.createTextNode(decoder.decode(new Uint8Array(bytes))));
      bytes = [];
      // Scrolling lays the page out; once a frame is enough for a long echo.
      if (!scrolling) {
        scrolling = true;
        requestAnimationFrame(function () {
          scrolling = false;
          element.scrollTop = element.scrollHeight;
        });
      }
    };
  }

  // Says what the page itself did or could not do.
  function tell(text) {
    status.textContent = text;
  }

  // The words for an error from Emscripten's file system, by its errno values.
  function describe(error) {
    var words = {44: 'there is no such file', 31: 'it is a directory', 2: 'it is read-only'};
    return words[error && error.errno] || String(error);
  }

  Module.canvas = canvas;
  Module.stdout = lineWriter(trace);
  Module.stderr = lineWriter(messages);

  // The program starts only once the storage has been read, so an L right away
  // finds the graph saved in an earlier visit.
  Module.preRun = [function () {
    FS.mkdir(folder);
    FS.mount(IDBFS, {}, folder);
    FS.chdir(folder);
    addRunDependency('storage');
    FS.syncfs(true, function (error) {
      if (error)
        tell('This browser\'s storage could not be read (' + error + '); a saved graph lasts ' +
             'only until the page is closed.');
      removeRunDependency('storage');
    });
  }];

  Module.postRun = [function () {
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
          tell(fileName + ' could not be kept in this browser\'s storage (' + error + '); ' +
               'download it to keep it.');
        document.body.dataset.stored = String(++stored);
        if (storeAgain) {
          storeAgain = false;
          Module.storeFiles();
        }
      });
    }, 0);
  };

  canvas.addEventListener('contextmenu', function (event) { event.preventDefault(); });

  document.getElementById('download').addEventListener('click', function () {
    var bytes;
    try {
      bytes = FS.readFile(fileName);
    } catch (error) {
      tell('Nothing to download: ' + fileName + ' cannot be read (' + describe(error) +
           '); S saves it.');
      return;
    }
    var link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([bytes], {type: 'text/plain'}));
    link.download = fileName;
    link.click();
    setTimeout(function () { URL.revokeObjectURL(link.href); }, 60000);
  });

  // An opened file replaces graph.ruv as it is, checked only when L loads it.
  var opener = document.getElementById('open');
  opener.addEventListener('change', function () {
    var file = opener.files[0];
    if (!file)
      return;
    file.arrayBuffer().then(function (buffer) {
      try {
        FS.writeFile(fileName, new Uint8Array(buffer));
        tell(file.name + ' is now ' + fileName + '; L loads it.');
        Module.storeFiles();
      } catch (error) {
        tell(file.name + ' was not opened: ' + fileName + ' cannot be written (' +
             describe(error) + ').');
      }
      opener.value = '';
      canvas.focus();
    });
  });
})();
