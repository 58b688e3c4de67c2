// Stand-in for the program's message handler: records every message the page posts
// (copied as the real bridge would), and every error, console error or refused load.
"use strict";
window.__mensajes = [];
window.__errores = [];
window.webkit = {
  messageHandlers: {
    suite: { postMessage(m) { window.__mensajes.push(JSON.parse(JSON.stringify(m))); } },
  },
};
window.addEventListener("error", (e) => window.__errores.push(`error: ${e.message}`));
window.addEventListener("unhandledrejection", (e) => window.__errores.push(`promesa: ${e.reason}`));
document.addEventListener("securitypolicyviolation", (e) => window.__errores.push(`csp: ${e.violatedDirective} ${e.blockedURI}`));
const errorOriginal = console.error;
console.error = (...a) => { window.__errores.push(`console: ${a.join(" ")}`); errorOriginal(...a); };
