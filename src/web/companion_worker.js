// A Web Worker that runs the companion programs, ruvo-import and ruvo-export,
// as the programs they are: each run is a fresh instance of the program's
// module (ruvo-import.js and .wasm, built by cmake/Web.cmake), started with its
// own command line, its input and output files in the instance's own memory
// file system, its messages and exit status handed back as the desktop
// program's would be. Each program is fetched and compiled once, on its first
// run.
//
// A message {id, program, args, inputs: {name: bytes}, outputs: [name]} runs
// program with args in a folder holding inputs, and is answered with
// {id, status, stdout, stderr, files: {name: bytes}} (the standard streams'
// bytes, and the outputs the run left),
// or {id, error} when the program could not be run at all.
'use strict';

var programs = {}; // program name -> promise of {factory, module}; absent until first run

// Fetches and compiles a program once.
function loadProgram(program) {
  if (!programs[program]) {
    importScripts(program + '.js');
    var factory = self[program.replace('-', '_')];
    programs[program] = fetch(program + '.wasm')
      .then(function (response) {
        if (!response.ok)
          throw new Error(program + '.wasm could not be fetched (' + response.status + ')');
        return response.arrayBuffer();
      })
      .then(function (bytes) { return WebAssembly.compile(bytes); })
      .then(function (module) { return {factory: factory, module: module}; });
  }
  return programs[program];
}

// Runs one command line of program in a new instance; resolves to its outcome.
function runProgram(request) {
  return loadProgram(request.program).then(function (loaded) {
    var stdout = [], stderr = []; // the bytes the program wrote to each
    var status = null; // the exit status, once the program has ended
    // The standard streams byte by byte, as the program wrote them: bytes come
    // signed, and null when a stream is flushed.
    function keep(bytes) {
      return function (byte) {
        if (byte !== null)
          bytes.push(byte & 0xff);
      };
    }
    return loaded.factory({
      noInitialRun: true,
      stdout: keep(stdout),
      stderr: keep(stderr),
      onExit: function (code) { status = code; },
      instantiateWasm: function (imports, receive) {
        WebAssembly.instantiate(loaded.module, imports).then(function (instance) {
          receive(instance, loaded.module);
        });
        return {};
      },
    }).then(function (instance) {
      var FS = instance.FS;
      FS.mkdir('/run');
      FS.chdir('/run');
      Object.keys(request.inputs).forEach(function (name) {
        FS.writeFile(name, request.inputs[name]);
      });
      try {
        var returned = instance.callMain(request.args);
        if (status === null)
          status = returned;
      } catch (thrown) {
        // exit() ends the program by throwing; onExit has the status by then.
        if (status === null)
          throw thrown;
      }
      var files = {};
      request.outputs.forEach(function (name) {
        if (FS.analyzePath(name).exists)
          files[name] = FS.readFile(name);
      });
      return {status: status, stdout: new Uint8Array(stdout), stderr: new Uint8Array(stderr),
              files: files};
    });
  });
}

self.onmessage = function (event) {
  var id = event.data.id;
  // (A program whose script cannot be fetched throws at once, in importScripts.)
  Promise.resolve(event.data).then(runProgram).then(function (outcome) {
    outcome.id = id;
    var buffers = Object.keys(outcome.files).map(function (name) {
      return outcome.files[name].buffer;
    });
    self.postMessage(outcome, buffers);
  }, function (error) {
    self.postMessage({id: id, error: String(error && error.message || error)});
  });
};
