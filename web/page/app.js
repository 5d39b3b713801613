// The web view's page: follows the director's snapshots over Server-Sent Events and shows the
// standings, the current shot with its reason, the race clock and the track map.
//
// The layout comes from the address: "/overlay" is the lower-third overlay for a video mixer's
// browser source, anything else the full view for commentators. The page only reads: it never
// sends anything to the director. When the director goes away the page says it is waiting and
// connects again by itself; after a reconnect, and whenever the snapshot names a track version
// other than the one drawn, it fetches the track anew.
"use strict";

(() => {
  const overlay = location.pathname.replace(/\/+$/, "") === "/overlay";
  const OVERLAY_ROWS = 10;
  const RETRY_MS = 2000;
  const SAMPLES = 1000;
  const $ = (id) => document.getElementById(id);

  // What the page shows now, and figures a test (or a curious person) can read from the console:
  // each shown snapshot's seq, its stamp and the wall clock once the page had drawn it.
  const view = { snap: null, track: null, trackKey: null, trackWanted: null, live: false,
                 lost: false };
  const stats = { updates: 0, reconnects: 0, trackLoads: 0, track: null, snapshot: null,
                  samples: [] };
  window.morvaneView = stats;

  document.body.classList.add(overlay ? "overlay" : "full");

  function colours() {
    const css = getComputedStyle(document.body);
    const get = (name) => css.getPropertyValue(name).trim();
    return {
      road: get("--map-road"), edge: get("--map-edge"), pit: get("--map-pit"),
      finish: get("--map-finish"), covered: get("--map-covered"), camera: get("--map-camera"),
      car: get("--map-car"), followed: get("--map-followed"), carEdge: get("--map-car-edge"),
      carText: get("--map-car-text"),
    };
  }

  function drawMap() {
    MorvaneMap.draw($("map"), view.track, view.snap, colours());
  }

  function cell(row, text, className) {
    const td = document.createElement("td");
    if (className) td.className = className;
    td.textContent = text;
    row.append(td);
    return td;
  }

  function standingsRow(r, source) {
    const tr = document.createElement("tr");
    tr.dataset.plid = r.plid;
    tr.dataset.pos = r.pos;
    if (r.followed) tr.classList.add("followed");
    if (r.pitLane) tr.classList.add("in-pit");
    cell(tr, r.pos == null ? "" : String(r.pos), "pos");
    MorvaneText.fill(cell(tr, "", "name"), r.name);
    if (!overlay) cell(tr, r.car || "", "car");
    const first = r.pos === 1 && !r.lapsDown;
    cell(tr, first ? (source === "results" ? "winner" : "leader")
                   : MorvaneText.gap(r.interval, r.lapsDown), "interval");
    if (!overlay) {
      cell(tr, first ? "" : MorvaneText.gap(r.gap, r.lapsDown), "gap");
      cell(tr, r.laps == null ? "" : String(r.laps), "laps");
      cell(tr, r.stops ? String(r.stops) : "", "stops");
    }
    cell(tr, r.pitLane ? "PIT" : "", "pit");
    return tr;
  }

  function renderStandings(standings) {
    const rows = (standings && standings.rows) || [];
    const shown = overlay ? rows.slice(0, OVERLAY_ROWS) : rows;
    $("rows").replaceChildren(...shown.map((r) => standingsRow(r, standings.source)));
    $("standings-title").textContent =
      standings && standings.source === "results" ? "Results" : "Standings";
    $("standings").hidden = rows.length === 0;
  }

  function renderClock(clock) {
    const c = clock || {};
    $("race-time").textContent = MorvaneText.clock(c.raceTime);
    let laps = "";
    if (c.finished) laps = "Finished";
    else if (c.lapsTotal > 0 && c.lapsLeft === 1) laps = "Last lap";
    else if (c.lapsTotal > 0 && c.lapsLeft != null) {
      laps = c.lapsLeft + " of " + c.lapsTotal + " laps left";
    }
    $("laps-left").textContent = laps;
  }

  function renderShot(snap) {
    const shot = snap.shot || {};
    // People number the camera positions from 1; the snapshot gives the index.
    const where = shot.view === "onboard" ? "on board"
                : shot.view === "camera" ? (shot.camera != null ? "camera " + (shot.camera + 1)
                                                                : "camera")
                : "";
    MorvaneText.fill($("shot-name"), shot.plid != null ? shot.name : "");
    $("shot-view").textContent = where;
    $("shot-reason").textContent = shot.reason || "";
    $("shot").hidden = shot.plid == null && !shot.reason;
    const track = snap.track && snap.track.name ? snap.track.name : "";
    $("track-name").textContent = track;
    $("sim-link").hidden = snap.connected !== false;
  }

  function wantTrack(track) {
    const key = track && track.name ? track.name + "/" + track.version : null;
    if (key === view.trackKey || key === view.trackWanted) return;
    view.trackWanted = key;
    if (key === null) {
      view.track = view.trackKey = null;
      return;
    }
    fetch("/track", { cache: "no-store" })
      .then((response) => (response.ok ? response.json() : null))
      .then((loaded) => {
        if (view.trackWanted !== key) return;  // a newer version was asked for meanwhile
        view.trackWanted = null;
        if (!loaded || loaded.name + "/" + loaded.version !== key) return;  // asked again later
        view.track = loaded;
        view.trackKey = key;
        stats.trackLoads++;
        stats.track = key;
        drawMap();
      })
      .catch(() => {
        if (view.trackWanted === key) view.trackWanted = null;
      });
  }

  function show(snap) {
    view.snap = snap;
    renderClock(snap.clock);
    renderShot(snap);
    renderStandings(snap.standings);
    wantTrack(snap.track);
    drawMap();
    stats.updates++;
    stats.snapshot = snap;
    stats.samples.push({ seq: snap.seq, stamp: snap.stamp, shown: Date.now() });
    if (stats.samples.length > SAMPLES) stats.samples.splice(0, stats.samples.length - SAMPLES);
  }

  function setLive(live) {
    view.live = live;
    document.body.classList.toggle("waiting", !live);
    $("waiting").hidden = live;
  }

  function connect() {
    const source = new EventSource("/events");
    source.addEventListener("state", (e) => {
      let snap;
      try {
        snap = JSON.parse(e.data);
      } catch (err) {
        return;
      }
      setLive(true);
      show(snap);
    });
    source.onopen = () => {
      if (view.lost) {
        // The director may have restarted with another track: fetch it again.
        stats.reconnects++;
        view.trackKey = view.trackWanted = null;
        view.lost = false;
      }
      setLive(true);
    };
    source.onerror = () => {
      view.lost = true;
      setLive(false);
      // EventSource retries by itself after a lost connection, but gives up for good after an
      // answer it cannot use (an error status, another content type): then start afresh.
      if (source.readyState === EventSource.CLOSED) {
        source.close();
        setTimeout(connect, RETRY_MS);
      }
    };
  }

  window.addEventListener("resize", drawMap);
  setLive(false);
  connect();
})();
