// The main window: draws the last snapshot (and the installation events in between) and
// acts only by posting messages.
"use strict";

(() => {
  const { h, boton, parchear, lista, texto, objeto, activa } = Orvo;
  const $ = (id) => document.getElementById(id);

  // The version of the service's terms that ticking the box accepts.
  const CONDICIONES = "1.0";
  // One-time hints; once dismissed the program remembers them in its settings.
  const PISTAS = [
    { id: "bandeja", texto: "Orvo Suite sigue en la bandeja del sistema cuando cierras esta ventana." },
  ];

  let estado = null;
  // The app whose going back waits for the user's yes, asked in the page itself.
  let confirmando = null;

  const conBuild = (version, build) => (build ? `${version} · ${build}` : version);

  function interruptor(etiqueta, mensaje, encendido, props = {}) {
    return h("label", { class: "interruptor" },
      h("input", { type: "checkbox", role: "switch", checked: encendido, mensaje, ...props }),
      h("span", {}, etiqueta));
  }

  function conNotas(resumen, novedades) {
    const notas = Orvo.notas(novedades);
    return notas && h("details", { clave: "novedades" }, h("summary", {}, resumen), notas);
  }

  // "Versión 2.1 · 40 · instalada 2.0 · 38 · 1,5 GB"
  function datos(publicada, instalada, tam, ...mas) {
    return [publicada && `Versión ${publicada}`, instalada && `instalada ${instalada}`,
      Number(tam) > 0 && Orvo.tamano(tam), ...mas].filter(Boolean).join(" · ");
  }

  function instalacionDe(id) {
    return lista(estado.instalaciones).find((i) => objeto(i).id === id && activa(i));
  }

  // ---- Header and strips ----

  function dibujarCabecera() {
    const rev = texto(estado.revisado);
    $("revisado").textContent = rev ? `Revisado ${Orvo.hace(rev)}` : "Aún no se ha revisado el catálogo";
    // What "install all" would start: installed apps with a newer version not already under way.
    const nuevas = lista(estado.apps).map(objeto)
      .filter((a) => a.nueva === true && a.omitida !== true && a.instalada === true && !instalacionDe(a.id));
    const todas = $("todas");
    todas.hidden = nuevas.length === 0;
    todas.textContent = `Actualizar todas (${nuevas.length})`;
    const version = texto(estado.version);
    $("pie").textContent = version ? `Orvo Suite ${version}` : "Orvo Suite";
  }

  // Waiting to quit is what the strip of `listas` already says.
  function franjaInstalacion() {
    const inst = objeto(estado.instalacion);
    if (!inst.id || !["corriendo", "autorizar", "error"].includes(inst.fase)) return null;
    const nombre = texto(inst.nombre);
    const volver = inst.modo === "volver";
    let linea;
    if (inst.fase === "error") {
      const que = volver ? "volver a la versión anterior de" : inst.modo === "instalar" ? "instalar" : "actualizar";
      linea = `No se pudo ${que} ${nombre}: ${texto(inst.error)}`;
    }
    else if (inst.fase === "autorizar") linea = `${nombre} necesita tu autorización para abrirse.`;
    else {
      const paso = texto(lista(inst.pasos)[inst.paso]);
      const que = volver ? "Volviendo a la versión anterior de" : inst.modo === "instalar" ? "Instalando" : "Actualizando";
      const v = Orvo.avance(inst);
      linea = [`${que} ${nombre}`, paso, paso && v !== null && Orvo.porcentaje(v)].filter(Boolean).join(" · ");
    }
    return h("div", { class: inst.fase === "error" ? "franja mala" : "franja", clave: "instalacion" },
      h("span", { class: "franja-texto" }, linea),
      boton("Ver la instalación", { accion: "verInstalador" }));
  }

  function dibujarFranjas() {
    const err = texto(estado.errorFuente);
    const listas = lista(estado.listas).map(objeto);
    const avisar = objeto(estado.avisar);
    parchear($("franjas"), [
      err && h("div", { class: "franja mala", role: "alert", clave: "errorFuente" }, err),
      franjaInstalacion(),
      listas.length > 0 && h("div", { class: "franja", clave: "listas" },
        h("span", { class: "franja-etiqueta" }, "Listas para instalar cuando las cierres:"),
        h("ul", { class: "en-linea" }, listas.map((l) => h("li", { clave: texto(l.id) },
          h("span", {}, `${texto(l.nombre)} ${texto(l.version)}`),
          boton("Cerrar y actualizar", { accion: "cerrarApp", id: texto(l.id) },
            { class: "pequeno", "aria-label": `Cerrar ${texto(l.nombre)} y actualizarla ahora` }))))),
      PISTAS.filter((p) => avisar[p.id] !== true).map((p) => h("div", { class: "franja suave", clave: `pista-${p.id}` },
        h("span", { class: "franja-texto" }, p.texto),
        boton("Entendido", { accion: "avisar", id: p.id }, { class: "pequeno" }))),
    ]);
  }

  // ---- Apps ----

  function vacioApps() {
    const ses = objeto(estado.sesion);
    if (ses.necesita === true) return ["Inicia sesión para ver tus apps.", null];
    if (!texto(estado.fuente)) {
      return ["Aún no hay fuente: inicia sesión en un servidor o elige una carpeta con orvo-suite.json.", "elegir"];
    }
    if (texto(estado.errorFuente)) return ["No pude leer el catálogo. Revisa la fuente en Ajustes o elige otra carpeta.", "elegir"];
    if (!texto(estado.revisado)) return ["Buscando el catálogo…", null];
    return ["El catálogo aún no publica ninguna app. Vuelve a buscar más tarde.", "revisar"];
  }

  function chipsApp(a) {
    return [
      a.nueva === true && a.omitida !== true && h("span", { class: "chip nueva" }, "Actualización disponible"),
      a.nueva === true && a.omitida === true && h("span", { class: "chip tenue" }, "Versión omitida"),
      a.abierta === true && h("span", { class: "chip bien" }, "Abierta"),
      a.instalada === true && a.nueva !== true && a.abierta !== true && h("span", { class: "chip" }, "Instalada"),
      a.instalada !== true && h("span", { class: "chip tenue" }, "No instalada"),
    ];
  }

  function accionesApp(a, nombre) {
    const inst = instalacionDe(a.id);
    if (inst && inst.fase === "esperaCierre" && inst.modo === "volver") {
      return [h("span", { class: "nota" }, "Volverá a la versión anterior cuando la cierres."),
        boton("Cerrar y volver", { accion: "cerrarApp", id: a.id }, { "aria-label": `Cerrar ${nombre} y volver ahora` })];
    }
    if (inst && inst.fase === "esperaCierre") {
      return [h("span", { class: "nota" }, "Lista: se instalará cuando la cierres."),
        boton("Cerrar y actualizar", { accion: "cerrarApp", id: a.id }, { "aria-label": `Cerrar ${nombre} y actualizarla ahora` })];
    }
    if (inst) {
      const v = Orvo.avance(inst);
      return [h("progress", { max: "1", value: v, "aria-label": `Progreso de ${nombre}` }),
        v !== null && h("span", { class: "tenue" }, Orvo.porcentaje(v)),
        boton("Ver progreso", { accion: "verInstalador" })];
    }
    const para = (accion, etiqueta, clase) =>
      boton(etiqueta, { accion, id: a.id }, { class: clase, "aria-label": `${etiqueta} ${nombre}` });
    const omitir = (valor, etiqueta) => boton(etiqueta, { accion: "omitir", id: a.id, valor },
      { "aria-label": `${etiqueta} de ${nombre}` });
    const nueva = a.instalada === true && a.nueva === true;
    return [
      lista(estado.esperan).includes(a.id) && h("span", { class: "nota" }, texto(estado.espera)),
      a.instalada !== true && para("instalar", "Instalar", "primario"),
      nueva && para("instalar", "Actualizar", a.omitida === true ? "" : "primario"),
      nueva && omitir(a.omitida !== true, a.omitida === true ? "Dejar de omitir" : "Omitir esta versión"),
      a.instalada === true && para("abrir", "Abrir"),
    ];
  }

  // Going back sits inside the card's details and asks once before it is sent.
  function detallesVolver(a, nombre) {
    const anterior = texto(a.anterior);
    if (!anterior || instalacionDe(a.id)) return null;
    const ahora = texto(a.verInstalada);
    const cuerpo = confirmando !== a.id
      ? [h("p", { class: "tenue" }, `La versión ${anterior} sigue guardada en este equipo.`),
        h("button", { type: "button", "data-confirmar": a.id, "aria-label": `Volver a ${anterior} de ${nombre}` },
          `Volver a ${anterior}`)]
      : [h("p", { role: "alert", clave: "pregunta" },
        `¿Volver ${nombre} a la versión ${anterior}? ` +
          `La versión ${ahora} queda guardada y no se instalará sola.`),
      h("div", { class: "fila-acciones" },
        boton(`Sí, volver a ${anterior}`, { accion: "volver", id: a.id }, { class: "primario", "data-si": "" }),
        h("button", { type: "button", "data-confirmar": "" }, `No, seguir con ${ahora}`))];
    return h("details", { clave: "anterior" }, h("summary", {}, "Versión anterior"), cuerpo);
  }

  function filaApp(a) {
    a = objeto(a);
    const nombre = texto(a.nombre) || texto(a.id);
    const publicada = conBuild(texto(a.version), texto(a.build));
    return h("li", { class: "tarjeta app", clave: `app:${texto(a.id)}` },
      h("div", { class: "tarjeta-cabeza" },
        h("h3", {}, nombre),
        chipsApp(a),
        texto(a.canal) && h("span", { class: "chip" }, `Canal ${texto(a.canal)}`),
        h("span", { class: a.firmada === true ? "chip" : "chip alerta" }, a.firmada === true ? "Firmada" : "Sin firmar")),
      h("p", { class: "tenue" }, datos(publicada, texto(a.verInstalada), a.tam)),
      conNotas(`Novedades de la versión ${publicada}`, a.novedades),
      detallesVolver(a, nombre),
      h("div", { class: "fila-acciones" }, accionesApp(a, nombre)));
  }

  function dibujarApps() {
    const apps = lista(estado.apps);
    if (apps.length === 0) {
      const [mensaje, accion] = vacioApps();
      parchear($("apps"), [h("div", { class: "vacio", clave: "vacio" }, h("p", {}, mensaje),
        accion === "elegir" && boton("Elegir carpeta…", { accion: "elegirCarpeta" }),
        accion === "revisar" && boton("Buscar de nuevo", { accion: "revisar" }))]);
      return;
    }
    parchear($("apps"), [h("ul", { class: "tarjetas", clave: "apps" }, apps.map(filaApp))]);
  }

  // ---- Components, grouped by their app; each group can be folded away ----

  function filaComp(c) {
    const nombre = texto(c.nombre) || texto(c.id);
    const linea = datos(texto(c.version), texto(c.verInstalada), c.tam, texto(c.canal) && `canal ${texto(c.canal)}`);
    const pendiente = texto(c.pendiente).replace(/·$/, "").replace("·", " · ");
    const app = texto(c.app);
    const ocupado = c.descargando === true;
    const para = (accion, etiqueta, clase) =>
      boton(etiqueta, { accion, id: c.id }, { class: clase, disabled: ocupado, "aria-label": `${etiqueta} ${nombre}` });
    return h("li", { class: "tarjeta comp", clave: `comp:${texto(c.id)}` },
      h("div", { class: "tarjeta-cabeza" },
        h("h3", {}, nombre),
        c.instalado !== true && h("span", { class: "chip tenue" }, "No instalado"),
        c.nueva === true && h("span", { class: "chip nueva" }, "Actualización disponible"),
        c.enUso === true && h("span", { class: "chip" }, app ? `En uso por ${app}` : "En uso"),
        ocupado && h("span", { class: "chip" }, "Descargando…")),
      texto(c.descripcion) && h("p", {}, texto(c.descripcion)),
      linea && h("p", { class: "tenue" }, linea),
      pendiente && h("p", { class: "nota" }, `La versión ${pendiente} se instalará cuando cierres ${app || "la app"}.`),
      !pendiente && !ocupado && c.instalado === true && c.nueva === true && texto(estado.espera) &&
        h("p", { class: "nota" }, texto(estado.espera)),
      texto(c.error) && h("p", { class: "error", role: "alert" }, texto(c.error)),
      conNotas("Novedades", c.novedades),
      h("div", { class: "fila-acciones" },
        c.instalado !== true && para("compInstalar", "Instalar", "primario"),
        c.instalado === true && c.nueva === true && para("compInstalar", "Actualizar", "primario"),
        c.instalado === true && interruptor("Activado", { accion: "compActivar", id: c.id }, c.activado === true,
          { "aria-label": `Activar ${nombre}` }),
        c.instalado === true && para("compQuitar", "Quitar")));
  }

  function dibujarComps() {
    const comps = lista(estado.comps).map(objeto).filter((c) => typeof c.id === "string");
    $("seccion-comps").hidden = comps.length === 0;
    const grupos = new Map();
    for (const c of comps) {
      const app = texto(c.app);
      if (!grupos.has(app)) grupos.set(app, []);
      grupos.get(app).push(c);
    }
    const mostrar = objeto(estado.componentes);
    parchear($("comps"), Array.from(grupos, ([app, cs]) => {
      const visible = mostrar[app] !== false;
      const titulo = app ? `Para ${app}` : "Otros";
      return h("div", { class: "grupo", clave: `grupo:${app}` },
        h("div", { class: "grupo-cabeza" },
          h("h3", {}, titulo),
          interruptor(visible ? "Mostrar" : `${cs.length} ocultos`, { accion: "componente", repo: app }, visible,
            { "aria-label": `Mostrar los componentes ${app ? `de ${app}` : "sin app"}` })),
        visible && h("ul", { class: "tarjetas" }, cs.map(filaComp)));
    }));
  }

  // ---- Account, notices, settings ----

  function dibujarCuenta() {
    const ses = objeto(estado.sesion);
    const usuario = objeto(ses.usuario);
    const conServidor = ses.conServidor === true;
    const necesita = ses.necesita === true;
    $("entrar").hidden = !necesita;
    const err = texto(ses.errorLogin);
    $("error-entrar").hidden = !err;
    $("error-entrar").textContent = err;
    $("entrando").textContent = "";
    $("boton-entrar").disabled = false;
    const servidor = $("servidor");
    if (!servidor.value || servidor.dataset.tocado !== "1") servidor.value = texto(ses.servidor);
    if (!necesita) $("clave").value = "";

    let contenido;
    if (usuario.nombre !== undefined || usuario.email !== undefined) {
      contenido = [
        h("p", { class: "usuario" }, h("strong", {}, texto(usuario.nombre)), h("br", {}), texto(usuario.email)),
        h("p", { class: "tenue" }, [texto(usuario.rol), texto(usuario.canal) && `canal ${texto(usuario.canal)}`].filter(Boolean).join(" · ")),
      ];
    } else if (conServidor && !necesita) {
      contenido = [h("p", {}, "Sesión iniciada.")];
    } else if (necesita) {
      contenido = [h("p", { class: "tenue" }, "Sin sesión.")];
    } else {
      contenido = [h("p", { class: "tenue" }, "Usas una carpeta local: no hace falta cuenta.")];
    }
    if (conServidor) contenido.push(h("p", { class: "tenue pequeno" }, texto(ses.servidor)));
    if (conServidor && !necesita) {
      contenido.push(boton("Cerrar sesión", { accion: "salir" }));
    }
    parchear($("cuenta"), contenido);
  }

  function dibujarAvisos() {
    const avisos = lista(objeto(estado.sesion).avisos).map(objeto).filter((a) => Number.isInteger(a.id));
    $("seccion-avisos").hidden = avisos.length === 0;
    parchear($("avisos"), [
      h("ul", { class: "avisos", clave: "lista" }, avisos.map((a) => h("li", { class: "aviso", clave: `aviso:${a.id}` },
        h("div", { class: "aviso-texto" },
          h("h3", {}, texto(a.titulo)),
          texto(a.texto) && h("p", {}, Orvo.conEnlaces(a.texto)),
          h("p", { class: "tenue pequeno" },
            [texto(a.nombre_app) || texto(a.app), texto(a.creado) && Orvo.fecha(a.creado)].filter(Boolean).join(" · "))),
        boton("Marcar como leído", { accion: "leido", avisos: [a.id] },
          { class: "pequeno", "aria-label": `Marcar como leído: ${texto(a.titulo)}` })))),
      avisos.length > 1 && boton("Marcar todos como leídos", { accion: "leido", avisos: avisos.map((a) => a.id) },
        { clave: "todos" }),
    ]);
  }

  function dibujarAjustes() {
    const fuente = $("fuente");
    if (document.activeElement !== fuente && fuente.dataset.tocado !== "1") fuente.value = texto(estado.fuente);
    parchear($("ajustes"), [
      interruptor("Instalar las actualizaciones al cerrar cada app", { accion: "instalarAlCerrar" },
        estado.instalarAlCerrar === true, { "aria-describedby": "al-cerrar-ayuda" }),
      h("p", { id: "al-cerrar-ayuda", class: "tenue pequeno" },
        "Las actualizaciones de las apps abiertas se descargan y se instalan cuando las cierras."),
    ]);
  }

  function dibujar() {
    $("cargando").hidden = true;
    $("pagina").hidden = false;
    dibujarCabecera();
    dibujarFranjas();
    dibujarApps();
    dibujarComps();
    dibujarCuenta();
    dibujarAvisos();
    dibujarAjustes();
  }

  Orvo.escuchar((ev) => {
    ev = objeto(ev);
    if (ev.tipo === "estado") {
      estado = ev;
      dibujar();
    } else if (ev.tipo === "instalacion" && estado) {
      // Progress arrives between snapshots; only what shows installations changes.
      estado = { ...estado, instalacion: ev.instalacion, instalaciones: ev.instalaciones };
      dibujarCabecera();
      dibujarFranjas();
      dibujarApps();
    }
  });

  Orvo.activarMensajes(document);

  // Asking and answering the going back's question moves the focus to what comes next.
  document.addEventListener("click", (ev) => {
    const b = ev.target.closest("button[data-confirmar], button[data-si]");
    if (!b || !estado) return;
    const antes = confirmando;
    confirmando = b.hasAttribute("data-confirmar") ? b.getAttribute("data-confirmar") || null : null;
    dibujarApps();
    const tarjeta = document.querySelector(`[data-clave="app:${CSS.escape(confirmando || antes || "")}"]`);
    const siguiente = tarjeta && tarjeta.querySelector(confirmando ? "button[data-si]" : "button[data-confirmar]");
    if (siguiente) siguiente.focus();
  });

  for (const id of ["servidor", "fuente"]) {
    $(id).addEventListener("input", () => { $(id).dataset.tocado = "1"; });
  }

  // The engine's own validation bubbles are not shown in every port, and not in Spanish.
  const FALTA = {
    servidor: "Escribe la dirección del servidor, por ejemplo https://orvo.example/.",
    email: "Escribe tu correo electrónico.",
    clave: "Escribe tu contraseña.",
    acepta: "Para entrar tienes que aceptar las condiciones de uso.",
  };

  $("form-entrar").addEventListener("submit", (ev) => {
    ev.preventDefault();
    const falta = ev.target.querySelector(":invalid");
    $("falta-entrar").hidden = !falta;
    $("falta-entrar").textContent = falta ? FALTA[falta.id] : "";
    if (falta) {
      falta.focus();
      return;
    }
    Orvo.enviar({
      accion: "login",
      servidor: $("servidor").value.trim(),
      email: $("email").value.trim(),
      clave: $("clave").value,
      acepta: $("acepta").checked ? CONDICIONES : "",
    });
    $("boton-entrar").disabled = true;
    $("entrando").textContent = "Iniciando sesión…";
  });

  $("form-fuente").addEventListener("submit", (ev) => {
    ev.preventDefault();
    const valor = $("fuente").value.trim();
    if (!valor) return;
    $("fuente").dataset.tocado = "";
    Orvo.enviar({ accion: "fuente", valor });
  });

  // "hace 2 minutos" keeps moving between snapshots.
  setInterval(() => { if (estado) dibujarCabecera(); }, 30000);
})();
