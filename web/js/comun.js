// What both pages share: the bridge to the program, building and patching the DOM, and
// the Spanish formats. Data from the program only ever becomes text nodes and attribute
// values, never markup.
"use strict";

const Orvo = (() => {
  function enviar(mensaje) {
    const puente = window.webkit && window.webkit.messageHandlers && window.webkit.messageHandlers.suite;
    if (puente) puente.postMessage(mensaje);
  }

  // The program calls window.suite.evento(obj); the page asks for one snapshot once it
  // can show it.
  function escuchar(alEvento) {
    window.suite = { evento: alEvento };
    enviar({ accion: "estado" });
  }

  // h("button", {class: "x", mensaje: {...}}, "texto", otroNodo): strings become text
  // nodes; `mensaje` is what a click (or a switch's change, with `valor`) posts.
  function h(etiqueta, props, ...hijos) {
    const e = document.createElement(etiqueta);
    for (const [k, v] of Object.entries(props || {})) {
      if (v === null || v === undefined || v === false) continue;
      if (k === "mensaje") e.setAttribute("data-mensaje", JSON.stringify(v));
      else if (k === "clave") e.setAttribute("data-clave", v);
      else if (k === "checked") {
        e.checked = true;
        e.setAttribute("checked", "");
      } else e.setAttribute(k, v === true ? "" : String(v));
    }
    for (const c of hijos.flat(Infinity)) {
      if (c === null || c === undefined || c === false) continue;
      e.appendChild(typeof c === "object" ? c : document.createTextNode(String(c)));
    }
    return e;
  }

  // Brings `padre`'s children in line with `nuevos` while keeping the nodes that stay:
  // a button under the pointer or with the keyboard focus survives the many progress
  // events, so clicks and focus are never lost to a redraw.
  function parchear(padre, nuevos) {
    const viejos = Array.from(padre.childNodes);
    nuevos = nuevos.flat(Infinity).filter((n) => n !== null && n !== undefined && n !== false);
    nuevos.forEach((n, i) => {
      if (typeof n !== "object") n = document.createTextNode(String(n));
      const v = viejos[i];
      if (!v) padre.appendChild(n);
      else if (parecidos(v, n)) igualar(v, n);
      else padre.replaceChild(n, v);
    });
    for (let i = nuevos.length; i < viejos.length; i++) viejos[i].remove();
  }

  function parecidos(a, b) {
    if (a.nodeType !== b.nodeType || a.nodeName !== b.nodeName) return false;
    return a.nodeType !== 1 || (a.getAttribute("data-clave") === b.getAttribute("data-clave") && a.type === b.type);
  }

  function igualar(v, n) {
    if (v.nodeType !== 1) {
      if (v.data !== n.data) v.data = n.data;
      return;
    }
    // A <details> keeps whatever the user opened or closed.
    const libres = v.nodeName === "DETAILS" ? ["open"] : [];
    for (const a of Array.from(v.attributes)) {
      if (!n.hasAttribute(a.name) && !libres.includes(a.name)) v.removeAttribute(a.name);
    }
    for (const a of Array.from(n.attributes)) {
      if (v.getAttribute(a.name) !== a.value && !libres.includes(a.name)) v.setAttribute(a.name, a.value);
    }
    if (v.nodeName === "INPUT" && v.checked !== n.checked) v.checked = n.checked;
    parchear(v, Array.from(n.childNodes));
  }

  function boton(etiqueta, mensaje, props = {}) {
    return h("button", { type: "button", mensaje, ...props }, etiqueta);
  }

  // Release notes, each with its links; nothing when there are none.
  function notas(novedades) {
    const n = lista(novedades).filter((x) => typeof x === "string");
    return n.length > 0 ? h("ul", { class: "notas" }, n.map((x) => h("li", {}, conEnlaces(x)))) : null;
  }

  // One listener for every control built with `mensaje`.
  function activarMensajes(raiz) {
    raiz.addEventListener("click", (ev) => {
      const b = ev.target.closest("button[data-mensaje], a[data-mensaje]");
      if (!b || b.disabled) return;
      ev.preventDefault();
      enviar(JSON.parse(b.getAttribute("data-mensaje")));
    });
    raiz.addEventListener("change", (ev) => {
      const c = ev.target;
      if (c.nodeName !== "INPUT" || c.type !== "checkbox" || !c.hasAttribute("data-mensaje")) return;
      enviar({ ...JSON.parse(c.getAttribute("data-mensaje")), valor: c.checked });
    });
  }

  // Server text with its http(s) addresses as links that the program opens in the browser.
  function conEnlaces(texto) {
    const partes = [];
    let resto = String(texto);
    const patron = /https?:\/\/[^\s<>"]+[^\s<>".,;:!?)\]]/;
    for (let m = patron.exec(resto); m; m = patron.exec(resto)) {
      if (m.index > 0) partes.push(resto.slice(0, m.index));
      partes.push(h("a", { href: m[0], mensaje: { accion: "enlace", url: m[0] } }, m[0]));
      resto = resto.slice(m.index + m[0].length);
    }
    if (resto) partes.push(resto);
    return partes;
  }

  // ---- Spanish formats ----

  function decimal(x, decimales) {
    return x.toFixed(decimales).replace(".", ",");
  }

  // Decimal units as the file managers show them: 850 B, 12 MB, 1,5 GB.
  function tamano(bytes) {
    const n = Number(bytes);
    if (!Number.isFinite(n) || n <= 0) return "0 B";
    if (n < 1000) return `${Math.round(n)} B`;
    const unidades = ["KB", "MB", "GB", "TB"];
    let v = n / 1000;
    let u = 0;
    while (u < unidades.length - 1 && v >= 999.5) {
      v /= 1000;
      u++;
    }
    const texto = v < 9.95 ? decimal(v, 1).replace(/,0$/, "") : String(Math.round(v));
    return `${texto} ${unidades[u]}`;
  }

  function velocidad(bps) {
    return `${tamano(bps)}/s`;
  }

  function porcentaje(fraccion) {
    const p = Math.max(0, Math.min(1, Number(fraccion) || 0));
    return `${Math.floor(p * 100)} %`;
  }

  function quedan(segundos) {
    const s = Math.max(0, Math.round(segundos));
    if (s < 60) return "queda menos de 1 min";
    const min = Math.ceil(s / 60);
    if (min < 60) return min === 1 ? "queda 1 min" : `quedan ${min} min`;
    const horas = Math.floor(min / 60);
    const resto = min % 60;
    const texto = resto ? `${horas} h ${resto} min` : `${horas} h`;
    return horas === 1 && !resto ? "queda 1 h" : `quedan ${texto}`;
  }

  const MESES = ["enero", "febrero", "marzo", "abril", "mayo", "junio", "julio", "agosto",
    "septiembre", "octubre", "noviembre", "diciembre"];

  function hora(d) {
    return `${String(d.getHours()).padStart(2, "0")}:${String(d.getMinutes()).padStart(2, "0")}`;
  }

  // "hace un momento", "hace 2 minutos", "hace 3 horas", "ayer a las 18:05", "el 2 de marzo a las 9:10".
  function hace(iso, ahora = new Date()) {
    const d = new Date(iso);
    if (Number.isNaN(d.getTime())) return "";
    const seg = (ahora.getTime() - d.getTime()) / 1000;
    if (seg < 45) return "hace un momento";
    const min = Math.round(seg / 60);
    if (min < 60) return min === 1 ? "hace 1 minuto" : `hace ${min} minutos`;
    const horas = Math.floor(min / 60);
    if (horas < 12) return horas === 1 ? "hace 1 hora" : `hace ${horas} horas`;
    const ayer = new Date(ahora.getFullYear(), ahora.getMonth(), ahora.getDate() - 1);
    if (d >= ayer && d.getDate() === ahora.getDate()) return `hoy a las ${hora(d)}`;
    if (d >= ayer) return `ayer a las ${hora(d)}`;
    const anio = d.getFullYear() === ahora.getFullYear() ? "" : ` de ${d.getFullYear()}`;
    return `el ${d.getDate()} de ${MESES[d.getMonth()]}${anio} a las ${hora(d)}`;
  }

  const MESES_CORTOS = ["ene", "feb", "mar", "abr", "may", "jun", "jul", "ago", "sept", "oct", "nov", "dic"];
  const ISO = /^\d{4}-\d{2}-\d{2}([T ]\d{2}:\d{2}(:\d{2}(\.\d+)?)?(Z|[+-]\d{2}:?\d{2})?)?$/i;

  // A notice's date: "hace 5 minutos", "ayer", "hace 2 días", then "7 dic 2026". A text
  // that is not an ISO 8601 date is the server's own wording and stays as it came.
  function fecha(valor, ahora = new Date()) {
    const t = String(valor);
    if (!ISO.test(t)) return t;
    const dia = /^(\d{4})-(\d{2})-(\d{2})$/.exec(t);
    const d = dia ? new Date(Number(dia[1]), Number(dia[2]) - 1, Number(dia[3])) : new Date(t);
    if (Number.isNaN(d.getTime())) return t;
    const seg = (ahora.getTime() - d.getTime()) / 1000;
    const dias = Math.round((new Date(ahora.getFullYear(), ahora.getMonth(), ahora.getDate()) -
      new Date(d.getFullYear(), d.getMonth(), d.getDate())) / 86400000);
    if (!dia && seg > -60 && seg < 45) return "hace un momento";
    if (!dia && seg >= 0 && seg < 3600) {
      const min = Math.max(1, Math.round(seg / 60));
      return min === 1 ? "hace 1 minuto" : `hace ${min} minutos`;
    }
    if (!dia && seg >= 0 && seg < 12 * 3600) {
      const horas = Math.floor(seg / 3600);
      return horas === 1 ? "hace 1 hora" : `hace ${horas} horas`;
    }
    if (dias === 0 && seg >= 0) return "hoy";
    if (dias === 1) return "ayer";
    if (dias > 1 && dias < 7) return `hace ${dias} días`;
    return `${d.getDate()} ${MESES_CORTOS[d.getMonth()]} ${d.getFullYear()}`;
  }

  // Defensive readers: a snapshot may lack optional keys or carry the wrong type.
  const lista = (x) => (Array.isArray(x) ? x : []);
  const texto = (x) => (typeof x === "string" ? x : "");
  const objeto = (x) => (x && typeof x === "object" && !Array.isArray(x) ? x : {});

  const ACTIVAS = ["corriendo", "esperaCierre", "autorizar"];
  const activa = (inst) => ACTIVAS.includes(objeto(inst).fase);

  // Where an installation's bar stands, 0 to 1, or null when its step measures nothing
  // (checking, replacing, waiting): the bar then shows activity instead of a made-up 0 %.
  // Within a step it never goes back, not even when a download starts again from its first
  // byte on a new connection; each step starts a bar of its own.
  const avances = new Map();
  function avance(inst) {
    inst = objeto(inst);
    const id = texto(inst.id);
    if (inst.fase === "lista") {
      avances.delete(id);
      return 1;
    }
    if (inst.fase !== "corriendo") {
      avances.delete(id);
      return null;
    }
    const paso = Number.isInteger(inst.paso) ? inst.paso : 0;
    const pct = Math.max(0, Math.min(1, Number(inst.pct) || 0));
    const antes = avances.get(id);
    const valor = antes && antes.paso === paso && antes.modo === inst.modo ? Math.max(antes.valor, pct) : pct;
    avances.set(id, { paso, modo: inst.modo, valor });
    const descarga = paso === 0 && inst.modo !== "volver";
    return valor > 0 || descarga ? valor : null;
  }

  return {
    enviar, escuchar, h, boton, notas, parchear, activarMensajes, conEnlaces,
    tamano, velocidad, porcentaje, quedan, hace, fecha, lista, texto, objeto, activa, avance,
  };
})();
