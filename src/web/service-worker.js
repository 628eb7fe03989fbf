// Keeps the page's files so that, after one visit, Ruvo starts without a
// network. Every request goes to the network first and its answer replaces the
// kept copy, so a new build is taken on the next visit with a network; only
// when the network fails is the kept copy used.
'use strict';

var cacheName = 'ruvo'; // one store of files for this page's scope

// The page's files, kept at installation. Scripts added beside the page put
// their files here.
var pageFiles = ['./', 'index.html', 'index.js', 'index.wasm', 'ruvo.css', 'ruvo.svg',
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
