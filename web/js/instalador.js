// The installer window: the current installation's steps, progress and the actions its
// phase allows, then every installation the program knows.
"use strict";

(() => {
  const { h, boton, parchear, lista, texto, objeto, activa } = Orvo;
  const $ = (id) => document.getElementById(id);

  // The apps of the last snapshot: whether a version to go back to is kept.
  let apps = [];
  const anteriorDe = (id) => texto(apps.map(objeto).find((a) => a.id === id)?.anterior);

  function detalleDescarga(inst) {
    const bytes = Number(inst.bytes) || 0;
    const total = Number(inst.total) || 0;
    const vel = Number(inst.velocidad) || 0;
    if (total <= 0) return bytes > 0 ? `${Orvo.tamano(bytes)} descargados` : "";
    const partes = [`${Orvo.tamano(bytes)} de ${Orvo.tamano(total)}`];
    if (vel > 0 && bytes < total) partes.push(Orvo.velocidad(vel), Orvo.quedan((total - bytes) / vel));
    return partes.join(" · ");
  }

  function textoFase(inst, nombre) {
    const volver = inst.modo === "volver";
    const version = texto(inst.version);
    switch (inst.fase) {
      case "esperaCierre":
        if (volver) return `Cierra ${nombre} para volver a la versión ${version}.`;
        return `La versión nueva está lista. Cierra ${nombre} para terminar de instalarla.`;
      case "autorizar":
        return `El sistema no dejó abrir ${nombre}. Permítelo en los ajustes de seguridad y pulsa «Ya lo autoricé».`;
      case "lista":
        if (volver) return `${nombre} ha vuelto a la versión ${version}.`;
        if (inst.noQuedoAbierta === true) {
          return `${nombre} ${version} está instalada, pero no quedó abierta: se cerró sola las tres veces que se abrió.`;
        }
        return `${nombre} ${version} está ${inst.modo === "instalar" ? "instalada" : "actualizada"}.`;
      case "error":
        if (volver) return `No se pudo volver a la versión anterior de ${nombre}.`;
        return `No se pudo ${inst.modo === "instalar" ? "instalar" : "actualizar"} ${nombre}.`;
      default: {
        const paso = lista(inst.pasos)[inst.paso];
        return paso ? `${paso}…` : "Terminando…";
      }
    }
  }

  // A short line for each installation of the list.
  function resumen(inst) {
    switch (inst.fase) {
      case "esperaCierre": return "Espera que la cierres";
      case "autorizar": return "Necesita tu autorización";
      case "lista": return { instalar: "Instalada", volver: "De vuelta" }[inst.modo] || "Actualizada";
      case "error": return `Falló: ${texto(inst.error)}`;
      default: {
        const paso = texto(lista(inst.pasos)[inst.paso]);
        const v = Orvo.avance(inst);
        return paso ? [paso, v !== null && Orvo.porcentaje(v)].filter(Boolean).join(" · ") : "Terminando";
      }
    }
  }

  function acciones(inst, nombre) {
    const id = texto(inst.id);
    const primario = { class: "primario" };
    const cancelar = boton("Cancelar", { accion: "cancelar", id });
    const ocultar = boton("Ocultar", { accion: "ocultarInstalador" });
    switch (inst.fase) {
      case "esperaCierre":
        return [boton(`Cerrar ${nombre} ahora`, { accion: "cerrarApp", id }, primario), cancelar, ocultar];
      case "autorizar":
        return [boton("Abrir los ajustes de seguridad", { accion: "ajustesSeguridad" }),
          boton("Ya lo autoricé", { accion: "autorizada" }, primario), cancelar];
      case "lista": {
        const anterior = inst.noQuedoAbierta === true && inst.modo !== "volver" && anteriorDe(id);
        if (!anterior) return [boton("Cerrar", { accion: "ocultarInstalador" }, primario)];
        return [boton("Volver a la versión anterior", { accion: "volver", id },
          { ...primario, "aria-label": `Volver a la versión anterior de ${nombre}, la ${anterior}` }),
        boton("Cerrar", { accion: "ocultarInstalador" })];
      }
      case "error":
        return [boton("Reintentar", { accion: inst.modo === "volver" ? "volver" : "instalar", id }, primario),
          boton("Cerrar", { accion: "ocultarInstalador" })];
      default:
        return [cancelar, ocultar];
    }
  }

  function dibujarActual(inst) {
    const nombre = texto(inst.nombre) || texto(inst.id);
    const version = texto(inst.version);
    $("titulo").textContent = nombre;
    $("subtitulo").textContent = { instalar: `Instalar la versión ${version}`, volver: `Volver a la versión ${version}` }[inst.modo] ||
      `Actualizar a la versión ${version}`;

    const pasos = lista(inst.pasos).map(texto);
    const actual = Number.isInteger(inst.paso) ? inst.paso : 0;
    const hecho = inst.fase === "lista";
    parchear($("pasos"), pasos.map((p, i) => {
      let clase = i < actual || hecho ? "hecho" : i === actual ? "actual" : "pendiente";
      if (clase === "actual" && inst.fase === "error") clase = "fallido";
      return h("li", { class: clase, "aria-current": clase === "actual" || clase === "fallido" ? "step" : null },
        h("span", { class: "oculto-visual" }, { hecho: "Hecho: ", actual: "Ahora: ", fallido: "Falló: ", pendiente: "" }[clase]),
        p);
    }));

    // Waiting for the user or failed, the bar would say nothing true.
    const barra = $("barra");
    const v = Orvo.avance(inst);
    if (v === null) barra.removeAttribute("value");
    else barra.value = v;
    barra.hidden = !["corriendo", "lista"].includes(inst.fase);
    const descargando = actual === 0 && inst.fase === "corriendo" && inst.modo !== "volver";
    $("detalle").textContent = descargando ? detalleDescarga(inst)
      : inst.fase === "corriendo" && v > 0 ? Orvo.porcentaje(v) : "";
    $("fase").textContent = textoFase(inst, nombre);
    const err = inst.fase === "error" ? texto(inst.error) : "";
    $("error").hidden = !err;
    $("error").textContent = err;
    $("pista").hidden = !(inst.noCerro === true && inst.fase === "esperaCierre");
    $("pista").textContent = `${nombre} no se cerró. Guarda tu trabajo y ciérrala tú: la instalación seguirá sola.`;
    parchear($("acciones"), acciones(inst, nombre));

    const notas = Orvo.notas(inst.novedades);
    $("novedades").hidden = !notas;
    $("t-novedades").textContent = `Novedades de la versión ${version}`;
    parchear($("notas"), [notas]);
  }

  function dibujarLista(todas, actual) {
    $("todas").hidden = todas.length < 2;
    parchear($("lista"), todas.map((inst) => {
      const nombre = texto(inst.nombre) || texto(inst.id);
      const esActual = inst.id === actual.id;
      return h("li", { class: `fila ${inst.fase === "error" ? "mala" : ""}`, clave: `inst:${texto(inst.id)}`,
        "aria-current": esActual ? "true" : null },
        h("div", { class: "fila-texto" },
          h("strong", {}, nombre), " ", h("span", { class: "tenue" }, texto(inst.version)),
          h("p", { class: "tenue pequeno" }, resumen(inst))),
        activa(inst) && inst.fase === "corriendo" && h("progress", { max: "1", value: Orvo.avance(inst),
          "aria-label": `Progreso de ${nombre}` }),
        activa(inst) && !esActual && boton("Cancelar", { accion: "cancelar", id: texto(inst.id) },
          { class: "pequeno", "aria-label": `Cancelar ${nombre}` }));
    }));
  }

  function dibujar(instalacion, instalaciones) {
    $("cargando").hidden = true;
    $("pagina").hidden = false;
    const inst = objeto(instalacion);
    const hay = typeof inst.id === "string";
    $("vacio").hidden = hay;
    $("actual").hidden = !hay;
    if (hay) dibujarActual(inst);
    else {
      $("titulo").textContent = "Instalador";
      $("subtitulo").textContent = "";
    }
    dibujarLista(lista(instalaciones).map(objeto), inst);
  }

  Orvo.escuchar((ev) => {
    ev = objeto(ev);
    if (ev.tipo === "estado") apps = lista(ev.apps);
    if (ev.tipo === "estado" || ev.tipo === "instalacion") dibujar(ev.instalacion, ev.instalaciones);
  });

  Orvo.activarMensajes(document);

  document.addEventListener("keydown", (ev) => {
    if (ev.key === "Escape") Orvo.enviar({ accion: "ocultarInstalador" });
  });
})();
