// The companion programs on the page: Open and a file dropped anywhere take
// every format ruvo-import reads, and Export writes what ruvo-export writes,
// both by running the desktop programs in a Web Worker (companion_worker.js),
// which is started, and fetches the programs, only when first needed. This
// script only maps events; the page's own operations (page.js) do the rest:
// Module.openGraphFile(name, bytes) opens a graph file as L loads, checked first,
// Module.showStatus(text) writes the status line, Module.graphOnScreen() gives
// the graph on screen as S would write it, and Module.downloadFile(data, name,
// type) saves a file on the user's disk.
(function () {
  'use strict';

  var graphFile = 'graph.ruv';
  // The extensions of the files ruvo-import reads (with or without a further
  // .gz); it tells their format by their content first, as on the desktop. Any
  // other file is opened as a graph file.
  var importedExtensions = ['graphml', 'xml', 'gexf', 'gml', 'dot', 'gv', 'edgelist', 'edges',
                            'graphmlz', 'gz'];
  // The exports offered: label, ruvo-export's arguments, the file written.
  var exports = [
    ['SVG picture', ['-f', 'svg'], 'graph.svg'],
    ['PNG picture', ['-f', 'png'], 'graph.png'],
    ['TikZ picture', ['-f', 'tikz'], 'graph.tikz'],
    ['LaTeX document', ['-f', 'tikz', '--standalone'], 'graph.tex'],
    ['DOT (Graphviz)', ['-f', 'dot'], 'graph.dot'],
    ['GraphML', ['-f', 'graphml'], 'graph.graphml'],
  ];

  var worker = null;  // the companions' worker; null until first needed, or after it failed
  var runs = {};      // id -> resolve of each run the worker has not answered
  var nextRun = 0;    // the id of the next run

  // Ends every unanswered run with error, and lets the next run start a new worker.
  function failRuns(error) {
    var waiting = runs;
    runs = {};
    worker = null;
    Object.keys(waiting).forEach(function (id) { waiting[id]({error: error}); });
  }

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
      // The worker's script could not be fetched (offline before its first use).
      worker.onerror = function (event) {
        event.preventDefault();
        failRuns('the companion programs could not be fetched');
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

  // What a program wrote on standard error, as one line, or fallback.
  function programMessage(outcome, fallback) {
    if (outcome.error)
      return fallback + ' (' + outcome.error + ')';
    var text = new TextDecoder().decode(outcome.stderr).trim();
    return text ? text.split('\n').join(' ') : fallback;
  }

  // Opens a file the user chose or dropped: a graph file as it is, any other
  // format once ruvo-import has made a graph file of it. Nothing changes until
  // the graph file is loaded.
  function openChosenFile(name, bytes) {
    if (Module.graphOnScreen() === null)
      return; // the editor has not started yet
    if (importedExtensions.indexOf(extension(name)) < 0) {
      Module.openGraphFile(name, bytes);
      return;
    }
    Module.showStatus('Importing ' + name + ' with ruvo-import\u2026');
    var inputs = {};
    inputs[name] = bytes;
    // The graph comes on standard output, so no name of the user's can clash with it.
    runCompanion('ruvo-import', ['-o', '-', '--', name], inputs, []).then(function (outcome) {
      if (outcome.status !== 0) {
        Module.showStatus(programMessage(outcome, name + ' was not imported.'));
        return;
      }
      if (Module.openGraphFile(name, outcome.stdout) && outcome.stderr.length)
        Module.showStatus(document.getElementById('status').textContent + ' ' +
                          programMessage(outcome, ''));
    });
  }

  function openFile(file) {
    file.arrayBuffer().then(function (buffer) {
      openChosenFile(file.name, new Uint8Array(buffer));
    });
  }

  var opener = document.getElementById('open');
  opener.accept = ['ruv'].concat(importedExtensions)
    .map(function (e) { return '.' + e; }).join(',');
  opener.addEventListener('change', function () {
    if (opener.files[0])
      openFile(opener.files[0]);
    opener.value = '';
    document.getElementById('canvas').focus();
  });

  // A file dropped anywhere on the page opens as Open opens it.
  document.addEventListener('dragover', function (event) { event.preventDefault(); });
  document.addEventListener('drop', function (event) {
    event.preventDefault();
    var file = event.dataTransfer.files[0];
    if (file)
      openFile(file);
  });

  // Export: the graph on screen through ruvo-export, downloaded under the
  // desktop's file name.
  // Exports graph, the text of a graph file, as choice says.
  function exportGraph(choice, graph) {
    var args = choice[1], name = choice[2];
    var inputs = {};
    inputs[graphFile] = new TextEncoder().encode(graph);
    Module.showStatus('Exporting the graph on screen as ' + name + '\u2026');
    return runCompanion('ruvo-export', args.concat(['-o', name, graphFile]), inputs, [name])
      .then(function (outcome) {
        if (outcome.status !== 0 || !outcome.files[name]) {
          Module.showStatus(programMessage(outcome, name + ' was not exported.'));
          return;
        }
        Module.downloadFile(outcome.files[name], name, '');
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
  button.addEventListener('click', function () {
    var graph = Module.graphOnScreen();
    if (graph !== null)
      exportGraph(exports[Number(menu.value)], graph);
  });
  var downloadButton = document.getElementById('download');
  downloadButton.after(' ', menu, ' ', button);
})();
