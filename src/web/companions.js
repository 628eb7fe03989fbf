// The companion programs on the page: Open and drop take every format
// ruvo-import reads, and Export writes what ruvo-export writes, both by running
// the desktop programs in a Web Worker (companion_worker.js), which is started,
// and fetches the programs, only when first needed. This script only maps
// events; the page's own operations do the rest: Module.openGraphFile(name,
// bytes) opens a graph file as Open does, Module.showStatus(text) writes the
// status line, and Module._graphOnScreen() gives the graph on screen as S
// would write it. Until the page has those, Open and drop are left to it and
// Export says what is missing.
(function () {
  'use strict';

  var graphFile = 'graph.ruv';
  // The formats ruvo-import reads, by extension; any other file is opened as a
  // graph file.
  var importedFormats = {graphml: 'graphml', xml: 'graphml', gexf: 'gexf', dot: 'dot',
                         gv: 'dot', edgelist: 'edgelist', edges: 'edgelist'};
  // The exports offered: label, ruvo-export's arguments, the file written.
  var exports = [
    ['SVG picture', ['-f', 'svg'], 'graph.svg'],
    ['PNG picture', ['-f', 'png'], 'graph.png'],
    ['TikZ picture', ['-f', 'tikz'], 'graph.tikz'],
    ['LaTeX document', ['-f', 'tikz', '--standalone'], 'graph.tex'],
    ['DOT (Graphviz)', ['-f', 'dot'], 'graph.dot'],
    ['GraphML', ['-f', 'graphml'], 'graph.graphml'],
  ];

  var worker = null;  // the companions' worker; null until first needed
  var runs = {};      // id -> resolve of each run the worker has not answered
  var nextRun = 0;    // the id of the next run

  // Runs program with args on the named input files in the worker; resolves to
  // {status, stdout, stderr, files: {name: bytes}}, the streams' bytes and the
  // outputs named, or {error} when the program could not be run.
  function runCompanion(program, args, inputs, outputs) {
    if (!worker) {
      worker = new Worker('companion_worker.js');
      worker.onmessage = function (event) {
        var resolve = runs[event.data.id];
        delete runs[event.data.id];
        resolve(event.data);
      };
    }
    var id = nextRun++;
    return new Promise(function (resolve) {
      runs[id] = resolve;
      worker.postMessage({id: id, program: program, args: args, inputs: inputs,
                          outputs: outputs});
    });
  }
  window.runCompanion = runCompanion;

  function extension(name) {
    var dot = name.lastIndexOf('.');
    return dot < 0 ? '' : name.slice(dot + 1).toLowerCase();
  }

  // The first line a program wrote on standard error, or fallback.
  function firstMessage(outcome, fallback) {
    if (outcome.error)
      return fallback + ' (' + outcome.error + ')';
    return new TextDecoder().decode(outcome.stderr).split('\n')[0] || fallback;
  }

  // Opens a file the user chose or dropped: a graph file as it is, any other
  // format once ruvo-import has made a graph file of it. Nothing changes until
  // the graph file is loaded.
  function openChosenFile(name, bytes) {
    var format = importedFormats[extension(name)];
    if (!format) {
      Module.openGraphFile(name, bytes);
      return;
    }
    Module.showStatus('Importing ' + name + ' with ruvo-import\u2026');
    var inputs = {};
    inputs[name] = bytes;
    runCompanion('ruvo-import', ['-f', format, '-o', graphFile, name], inputs, [graphFile])
      .then(function (outcome) {
        if (outcome.status === 0 && outcome.files[graphFile])
          Module.openGraphFile(name, outcome.files[graphFile]);
        else
          Module.showStatus(firstMessage(outcome, name + ' was not imported.'));
      });
  }

  function openFile(file) {
    file.arrayBuffer().then(function (buffer) {
      openChosenFile(file.name, new Uint8Array(buffer));
    });
  }

  // Open: the page's own handler is bypassed for this one, which opens every format.
  var opener = document.getElementById('open');
  opener.accept = ['ruv'].concat(Object.keys(importedFormats))
    .map(function (e) { return '.' + e; }).join(',');
  window.addEventListener('change', function (event) {
    if (event.target !== opener || !opener.files[0] || !Module.openGraphFile)
      return;
    event.stopImmediatePropagation();
    openFile(opener.files[0]);
    opener.value = '';
  }, true);

  // A file dropped anywhere on the page opens as Open opens it.
  document.addEventListener('dragover', function (event) { event.preventDefault(); });
  document.addEventListener('drop', function (event) {
    event.preventDefault();
    if (!Module.openGraphFile)
      return;
    var file = event.dataTransfer.files[0];
    if (file)
      openFile(file);
  });

  // Export: the graph on screen through ruvo-export, downloaded under the
  // desktop's file name.
  function download(bytes, name) {
    var link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([bytes]));
    link.download = name;
    link.click();
    setTimeout(function () { URL.revokeObjectURL(link.href); }, 60000);
  }

  function exportGraph(choice) {
    var args = choice[1], name = choice[2];
    if (!Module._graphOnScreen || !Module.showStatus) {
      document.getElementById('status').textContent =
        'Export needs the page\'s graphOnScreen and showStatus, which this build lacks.';
      return;
    }
    var inputs = {};
    inputs[graphFile] = new TextEncoder().encode(UTF8ToString(Module._graphOnScreen()));
    Module.showStatus('Exporting the graph on screen as ' + name + '\u2026');
    return runCompanion('ruvo-export', args.concat(['-o', name, graphFile]), inputs, [name])
      .then(function (outcome) {
        if (outcome.status !== 0 || !outcome.files[name]) {
          Module.showStatus(firstMessage(outcome, name + ' was not exported.'));
          return;
        }
        download(outcome.files[name], name);
        Module.showStatus('Exported the graph on screen as ' + name + '.');
      });
  }

  var menu = document.createElement('select');
  menu.id = 'export-format';
  menu.setAttribute('aria-label', 'Export format');
  exports.forEach(function (choice, index) {
    menu.add(new Option(choice[0], String(index)));
  });
  var button = document.createElement('button');
  button.id = 'export';
  button.type = 'button';
  button.textContent = 'Export';
  button.addEventListener('click', function () { exportGraph(exports[Number(menu.value)]); });
  var downloadButton = document.getElementById('download');
  downloadButton.after(' ', menu, ' ', button);
})();
