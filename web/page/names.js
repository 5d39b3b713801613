// Text helpers of the web view: the simulator's colour-coded names turned into coloured runs of
// plain text, and the race's times and gaps as people read them.
//
// Names arrive as the simulator writes them: "^0".."^9" switch the colour (8 and 9 back to the
// default), "^^" is a caret, and a few escapes stand for characters that the simulator cannot
// carry in a name. Runs are put into the page with textContent only, so a name never becomes
// markup.
"use strict";

const MorvaneText = (() => {
  const COLOURS = ["black", "red", "green", "yellow", "blue", "violet", "cyan", "white"];
  const ESCAPES = {
    "^": "^", v: "|", a: "*", c: ":", d: "\\", s: "/", q: "?", t: "\"", l: "<", r: ">", h: "#",
  };

  // [{colour, text}]: colour is one of COLOURS or null (the default); runs are never empty. An
  // unknown escape and a caret at the very end are kept as written.
  function runs(name) {
    const out = [];
    let colour = null;
    let text = "";
    const flush = () => {
      if (text) out.push({ colour, text });
      text = "";
    };
    const s = name == null ? "" : String(name);
    for (let i = 0; i < s.length; i++) {
      const c = s[i];
      const next = s[i + 1];
      if (c !== "^" || next === undefined) {
        text += c;
      } else if (next >= "0" && next <= "9") {
        flush();
        colour = next <= "7" ? COLOURS[next.charCodeAt(0) - 48] : null;
        i++;
      } else if (Object.prototype.hasOwnProperty.call(ESCAPES, next)) {
        text += ESCAPES[next];
        i++;
      } else {
        text += c;
      }
    }
    flush();
    return out;
  }

  // The name without colours, for titles and the map.
  function plain(name) {
    return runs(name).map((r) => r.text).join("");
  }

  // Replaces the element's children with the name's runs: a span per coloured run.
  function fill(element, name) {
    element.replaceChildren();
    for (const r of runs(name)) {
      if (r.colour === null) {
        element.append(document.createTextNode(r.text));
      } else {
        const span = document.createElement("span");
        span.className = "c-" + r.colour;
        span.textContent = r.text;
        element.append(span);
      }
    }
  }

  // 83400 -> "1:23.4"; hours when the race is that long. null -> "".
  function clock(ms) {
    if (ms == null || !(ms >= 0)) return "";
    const tenths = Math.floor(ms / 100);
    const s = Math.floor(tenths / 10);
    const mm = Math.floor(s / 60);
    const body = String(s % 60).padStart(2, "0") + "." + (tenths % 10);
    if (mm < 60) return mm + ":" + body;
    return Math.floor(mm / 60) + ":" + String(mm % 60).padStart(2, "0") + ":" + body;
  }

  // A gap behind another car: "+0.412", "+1:02.500"; laps behind win over time.
  function gap(ms, lapsDown) {
    if (lapsDown > 0) return "+" + lapsDown + (lapsDown === 1 ? " lap" : " laps");
    if (ms == null || !(ms >= 0)) return "";
    const thousandths = Math.round(ms);
    const s = Math.floor(thousandths / 1000);
    const frac = String(thousandths % 1000).padStart(3, "0");
    if (s < 60) return "+" + s + "." + frac;
    return "+" + Math.floor(s / 60) + ":" + String(s % 60).padStart(2, "0") + "." + frac;
  }

  return { runs, plain, fill, clock, gap };
})();
