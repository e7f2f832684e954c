// Keeps the page's files in the browser, so that once opened it works with
// no network and can be installed to a phone's home screen. Service workers
// need https: or localhost; elsewhere (a file: page) the page works as before.
'use strict';

if ('serviceWorker' in navigator && window.isSecureContext) {
  window.addEventListener('load', () => {
    navigator.serviceWorker.register('sw.js').catch(() => {});
  });
}
