// Keeps the page's files so that, after one visit, Ruvo starts without a
// network. Every request goes to the network first and its answer replaces the
// kept copy, so a new build is taken on the next visit with a network; only
// when the network fails is the kept copy used. The companion programs
// (companion_worker.js, ruvo-import and ruvo-export) are not fetched at
// installation, so the first load stays light: they are kept, as any answer is,
// when the page's worker first fetches them.
'use strict';

var cacheName = 'ruvo'; // one store of files for this page's scope

// The page's files, kept at installation.
var pageFiles = ['./', 'index.html', 'index.js', 'index.wasm', 'ruvo.css', 'companions.js',
                 'ruvo.svg',
                 'manifest.webmanifest', 'icon-192.png', 'icon-512.png'];

self.addEventListener('install', function (event) {
  event.waitUntil(caches.open(cacheName).then(function (cache) {
    return cache.addAll(pageFiles);
  }).then(function () { return self.skipWaiting(); }));
});

self.addEventListener('activate', function (event) {
  event.waitUntil(self.clients.claim());
});

self.addEventListener('fetch', function (event) {
  var request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin)
    return;
  event.respondWith(fetch(request).then(function (response) {
    if (response.ok) {
      var copy = response.clone();
      caches.open(cacheName).then(function (cache) { return cache.put(request, copy); });
    }
    return response;
  }).catch(function () {
    return caches.match(request, {ignoreSearch: true}).then(function (kept) {
      return kept || Response.error();
    });
  }));
});
