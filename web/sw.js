// Service worker: after the first visit the page and the core come from this cache, so the
// page opens and runs without a network. CACHE_NAME and SITE_FILES are written above this
// text by build-site.

self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    const cache = await caches.open(CACHE_NAME);
    await cache.addAll(SITE_FILES);
    await self.skipWaiting();
  })());
});

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys()) {
      if (name !== CACHE_NAME && name.startsWith('pictorel-')) await caches.delete(name);
    }
    await self.clients.claim();
  })());
});

// Cache first; a same-origin file the list missed (a core built after the page) is fetched
// once and kept. Other origins are never asked: the page has nothing to fetch from them.
self.addEventListener('fetch', (event) => {
  const url = new URL(event.request.url);
  if (event.request.method !== 'GET' || url.origin !== self.location.origin) return;
  event.respondWith((async () => {
    const cache = await caches.open(CACHE_NAME);
    const cached = await cache.match(event.request, { ignoreSearch: true });
    if (cached) return cached;
    const response = await fetch(event.request);
    if (response.ok) await cache.put(event.request, response.clone());
    return response;
  })());
});
