"use strict";
// The phone's side of the remote: pairs with the code from the address's fragment (or the
// token it was given before), shows only what the program says its units hold, and sends
// every change as a command the program may refuse.
(() => {
  const $ = (id) => document.getElementById(id);
  const TOKEN = "tarnel-remote-token";
  const POWER_MIN = 1.1, POWER_MAX = 8.1;
  let code = location.hash.replace(/^#/, "");
  if (code) history.replaceState(null, "", location.pathname);  // the code pairs once
  let token = localStorage.getItem(TOKEN) || "";
  let heard = 0;
  let ws = null, paired = false, state = null, nextId = 1, retry = 0, stopped = false;
  const units = new Map();  // "A/CH-03" -> unit state

  function deviceName() {
    const ua = navigator.userAgent;
    const os = /Android/.test(ua) ? "Android" : /iPhone|iPad/.test(ua) ? "iOS" : /Linux/.test(ua) ? "Linux" : "Browser";
    const browser = /Firefox/.test(ua) ? "Firefox" : /Chrom/.test(ua) ? "Chrome" : /Safari/.test(ua) ? "Safari" : "";
    return (os + " " + browser).trim();
  }

  function setLink(text, down) {
    $("link").textContent = text;
    $("link").classList.toggle("down", !!down);
  }

  let toastTimer = 0;
  function toast(text, bad) {
    const t = $("toast");
    t.textContent = text;
    t.classList.toggle("bad", !!bad);
    t.hidden = false;
    clearTimeout(toastTimer);
    toastTimer = setTimeout(() => { t.hidden = true; }, bad ? 5000 : 2500);
  }

  function showScan(text) {
    paired = false;
    stopped = true;
    $("main").hidden = true;
    $("scan").hidden = false;
    $("scanText").textContent = text;
    setLink("Not paired", true);
  }

  function connect() {
    if (!code && !token) {
      showScan("Scan the code on the computer's Phone remote dialog to pair this device.");
      return;
    }
    ws = new WebSocket("ws://" + location.host + "/socket");
    ws.onopen = () => {
      const hello = { type: "hello", name: deviceName() };
      if (code) { hello.code = code; code = ""; } else hello.token = token;
      ws.send(JSON.stringify(hello));
    };
    ws.onmessage = (e) => { heard = Date.now(); receive(JSON.parse(e.data)); };
    ws.onclose = lost;
  }

  function lost() {
    if (ws) { ws.onclose = null; ws.close(); ws = null; }
    if (stopped) return;
    setLink("Connection lost: reconnecting…", true);
    retry = Math.min(retry + 1, 5);
    setTimeout(connect, 500 * retry);
  }

  const UNPAIRED = ["WrongCode", "UsedCode", "Blocked", "NotPaired", "TooManyDevices", "WrongOrigin"];
  function receive(m) {
    if (m.type === "paired") {
      paired = true; retry = 0; token = m.token;
      localStorage.setItem(TOKEN, token);
      $("scan").hidden = true; $("main").hidden = false;
      setLink("Connected");
    } else if (m.type === "state") {
      state = m.state; render();
    } else if (m.type === "units") {
      m.units.forEach(updateUnit);
    } else if (m.type === "answer") {
      if (m.message) toast(m.message);
    } else if (m.type === "bye") {
      localStorage.removeItem(TOKEN); token = "";
      showScan(m.message + ". Scan the code on the computer to pair again.");
    } else if (m.type === "error") {
      if (!paired && UNPAIRED.includes(m.error)) {
        if (m.error === "WrongCode" && token && !code) { localStorage.removeItem(TOKEN); token = ""; }
        showScan(m.message);
      } else {
        toast(m.message, true);
        render();  // the refused change shows nothing it did not do
      }
    }
  }

  function send(command) {
    if (!ws || ws.readyState !== WebSocket.OPEN || !paired) {
      toast("Not connected", true);
      return;
    }
    command.id = nextId++;
    ws.send(JSON.stringify(command));
  }

  function el(tag, props, children) {
    const e = document.createElement(tag);
    Object.assign(e, props || {});
    for (const c of children || []) e.append(c);
    return e;
  }
  function button(text, label, onclick, pressed) {
    const b = el("button", { type: "button", textContent: text, onclick });
    b.setAttribute("aria-label", label);
    if (pressed !== undefined) b.setAttribute("aria-pressed", pressed ? "true" : "false");
    return b;
  }

  function shownStudio() {
    return state && state.studios.find((s) => s.shown);
  }

  function render() {
    if (!state) return;
    const nav = $("studios");
    nav.replaceChildren(...state.studios.map((s) =>
      button(s.studio, s.name, () => send({ cmd: "studio", studio: s.studio }), s.shown)));
    units.clear();
    const studio = shownStudio();
    const list = $("units");
    list.replaceChildren();
    if (!state.connected) list.append(el("p", { textContent: "The program is not connected to the dongle." }));
    if (studio) {
      for (const u of studio.units) { units.set(u.studio + "/" + u.unit, u); list.append(card(u)); }
      if (!studio.units.length) list.append(el("p", { textContent: "No units in " + studio.name + "." }));
    }
    summary();
    $("memories").replaceChildren(...state.memories.map((name) => el("li", {}, [
      el("span", { textContent: name }),
      button("Apply", "Apply " + name, () => confirmApply(name))])));
    $("memorySection").hidden = !state.memories.length;
  }

  function summary() {
    const studio = shownStudio();
    if (!studio || !studio.units.length) { $("summary").textContent = ""; return; }
    const all = [...units.values()];
    const silent = all.filter((u) => !u.answered).map((u) => u.unit);
    $("summary").textContent = silent.length ? "No answer: " + silent.join(", ")
      : all.length + " units answer";
  }

  function updateUnit(u) {
    const studio = state && state.studios.find((s) => s.studio === u.studio);
    if (!studio) return;
    const index = studio.units.findIndex((x) => x.unit === u.unit);
    if (index < 0) {
      studio.units.push(u);
      if (studio.shown) render();
      return;
    }
    studio.units[index] = u;
    const key = u.studio + "/" + u.unit;
    const old = document.querySelector('[data-key="' + key + '"]');
    if (!old) return;
    units.set(key, u);
    // The meter's entries and whether it is open outlive the unit's update.
    const fresh = card(u);
    const meterBox = old.querySelector("details");
    if (meterBox) fresh.querySelector("details").replaceWith(meterBox);
    old.replaceWith(fresh);
    summary();
  }

  function statusOf(u) {
    if (!u.answered) return ["No answer", "bad"];
    if (u.status === "OFF" || u.status === "Overheat") return [u.status, "bad"];
    return [u.status, u.status === "Ready" ? "ok" : ""];
  }

  function powerRow(u, power, label) {
    const name = u.unit + " " + label;
    const value = u[power];
    const slider = el("input", { type: "range", min: POWER_MIN, max: POWER_MAX, step: 0.1, value });
    slider.setAttribute("aria-label", name + " slider");
    slider.addEventListener("change", () =>
      send({ cmd: "set", studio: u.studio, unit: u.unit, power, value: Number(slider.value) }));
    const steps = [-1, -0.1, 0.1, 1].map((d) => {
      const text = (d > 0 ? "+" : "") + d.toFixed(1);
      return button(text, name + " " + text, () =>
        send({ cmd: "step", studio: u.studio, unit: u.unit, power, delta: d }));
    });
    const shown = el("span", { className: "value", textContent: value.toFixed(1) });
    shown.setAttribute("aria-label", name + " " + value.toFixed(1));
    return el("div", { className: "power" }, [
      el("div", { className: "light", textContent: label }),
      el("div", { className: "row" }, [shown, ...steps]), slider]);
  }

  function choice(u, setting, label, words) {
    const s = el("select", {}, words.map((w) => el("option", { value: w, textContent: w, selected: u[setting] === w })));
    s.setAttribute("aria-label", u.unit + " " + label);
    s.addEventListener("change", () => send({ cmd: "setting", studio: u.studio, unit: u.unit, setting, value: s.value }));
    return s;
  }

  function toggle(u, setting, label) {
    return button(label, u.unit + " " + label + (u[setting] ? " on" : " off"),
      () => send({ cmd: "setting", studio: u.studio, unit: u.unit, setting, value: u[setting] ? "off" : "on" }), u[setting]);
  }

  function meter(u) {
    const reading = el("input", { placeholder: "8.0 +0.3", inputMode: "decimal" });
    reading.setAttribute("aria-label", u.unit + " meter reading");
    const wanted = el("input", { placeholder: "11", inputMode: "decimal" });
    wanted.setAttribute("aria-label", u.unit + " aperture wanted");
    const set = button("Set", u.unit + " meter set", () =>
      send({ cmd: "meter", studio: u.studio, unit: u.unit, reading: reading.value, wanted: wanted.value }));
    const box = el("details", {}, [el("summary", { textContent: "Light meter" }),
      el("p", { className: "light", textContent: "Fire it alone with Test, then enter the meter's reading and the aperture wanted." }),
      el("div", { className: "meter" }, [
        el("label", {}, ["Reading f/", reading]), el("label", {}, ["Wanted f/", wanted]), set])]);
    box.querySelector("summary").setAttribute("aria-label", u.unit + " light meter");
    return box;
  }

  function card(u) {
    const [status, tone] = statusOf(u);
    const c = el("article", { className: "card" + (tone === "bad" ? " off" : "") });
    c.dataset.key = u.studio + "/" + u.unit;
    c.setAttribute("aria-label", u.unit + " " + (u.light || u.name));
    c.append(el("div", { className: "head" }, [el("b", { textContent: u.unit }),
      el("span", { className: "light", textContent: [u.name, u.light].filter(Boolean).join(" · ") }),
      el("span", { className: "status " + tone, textContent: status })]));
    c.append(powerRow(u, "flash", "flash"), powerRow(u, "model", "model"));
    c.append(el("div", { className: "switches" }, [
      button("Test", u.unit + " test", () => send({ cmd: "test", studio: u.studio, unit: u.unit })),
      choice(u, "mode", "mode", ["Free", "Prop"]),
      choice(u, "lampmode", "lamp mode", ["Flash Prop", "Continous"]),
      toggle(u, "power", "power"), toggle(u, "lamp", "lamp"),
      toggle(u, "cell", "cell"), toggle(u, "sound", "sound")]));
    c.append(meter(u));
    return c;
  }

  function confirmApply(name) {
    const studio = shownStudio();
    const d = $("confirm");
    $("confirmText").textContent = "Apply Business Memory " + name + " to " +
      (studio ? studio.name : "the current studio") + "? The units take its settings.";
    $("confirmYes").onclick = () => { d.close(); send({ cmd: "memory", name }); };
    $("confirmNo").onclick = () => d.close();
    d.showModal();
  }

  // A phone that left the Wi-Fi hears no close: silence says it instead.
  setInterval(() => {
    if (!ws || ws.readyState !== WebSocket.OPEN || !paired) return;
    if (Date.now() - heard > 9000) { lost(); return; }
    ws.send(JSON.stringify({ type: "ping" }));
  }, 3000);
  $("check").onclick = () => send({ cmd: "check" });
  window.addEventListener("offline", () => setLink("Connection lost: reconnecting…", true));
  connect();
})();
