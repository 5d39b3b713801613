// The track map of the web view, drawn on a canvas: the road between its two edges, the pit lane,
// the stretch of road the live camera covers, the camera itself and the cars as numbered dots.
//
// World coordinates are metres with X east and Y north; the map keeps the track's proportions,
// fits it into the canvas with a margin and puts north up. The canvas is drawn at the screen's
// pixel density so that the lines stay sharp.
"use strict";

const MorvaneMap = (() => {
  // The nodes a camera covers: from..to inclusive, wrapping past the last node when to < from;
  // from == to covers the whole loop. Out-of-range indexes cover nothing.
  function covered(from, to, count) {
    if (!(count > 0) || from == null || to == null) return [];
    if (from < 0 || to < 0 || from >= count || to >= count) return [];
    if (from === to) return Array.from({ length: count }, (_, i) => i);
    const nodes = [];
    for (let i = from; ; i = (i + 1) % count) {
      nodes.push(i);
      if (i === to) return nodes;
    }
  }

  function bounds(track) {
    let minX = Infinity, minY = Infinity, maxX = -Infinity, maxY = -Infinity;
    const add = (p) => {
      minX = Math.min(minX, p[0]); maxX = Math.max(maxX, p[0]);
      minY = Math.min(minY, p[1]); maxY = Math.max(maxY, p[1]);
    };
    for (const list of [track.left, track.right, track.centre]) (list || []).forEach(add);
    for (const lane of track.pit || []) lane.forEach(add);
    return minX <= maxX ? { minX, minY, maxX, maxY } : null;
  }

  // A transform from world metres to canvas pixels.
  function fit(box, width, height, margin) {
    const w = Math.max(box.maxX - box.minX, 1), h = Math.max(box.maxY - box.minY, 1);
    const scale = Math.min((width - 2 * margin) / w, (height - 2 * margin) / h);
    const ox = (width - w * scale) / 2, oy = (height - h * scale) / 2;
    return {
      x: (p) => ox + (p[0] - box.minX) * scale,
      y: (p) => oy + (box.maxY - p[1]) * scale,
    };
  }

  // One quadrilateral of road per node pair, added to the current path.
  function roadQuad(ctx, t, track, i, j) {
    const a = track.left[i], b = track.left[j], c = track.right[j], d = track.right[i];
    ctx.moveTo(t.x(a), t.y(a));
    ctx.lineTo(t.x(b), t.y(b));
    ctx.lineTo(t.x(c), t.y(c));
    ctx.lineTo(t.x(d), t.y(d));
    ctx.closePath();
  }

  function polyline(ctx, t, points, closed) {
    points.forEach((p, i) => (i ? ctx.lineTo(t.x(p), t.y(p)) : ctx.moveTo(t.x(p), t.y(p))));
    if (closed) ctx.closePath();
  }

  function drawRoad(ctx, t, track, colours) {
    const n = Math.min(track.left.length, track.right.length);
    ctx.fillStyle = colours.road;
    ctx.strokeStyle = colours.road;
    ctx.lineWidth = 1;
    ctx.beginPath();
    for (let i = 0; i < n; i++) roadQuad(ctx, t, track, i, (i + 1) % n);
    ctx.fill();
    ctx.stroke();  // closes the hairlines between neighbouring quads
    ctx.strokeStyle = colours.edge;
    for (const edge of [track.left, track.right]) {
      ctx.beginPath();
      polyline(ctx, t, edge, true);
      ctx.stroke();
    }
    ctx.strokeStyle = colours.pit;
    ctx.setLineDash([4, 3]);
    for (const lane of track.pit || []) {
      ctx.beginPath();
      polyline(ctx, t, lane, false);
      ctx.stroke();
    }
    ctx.setLineDash([]);
    const f = track.finish;
    if (f != null && f >= 0 && f < n) {
      ctx.strokeStyle = colours.finish;
      ctx.lineWidth = 3;
      ctx.beginPath();
      polyline(ctx, t, [track.left[f], track.right[f]], false);
      ctx.stroke();
    }
  }

  function drawCovered(ctx, t, track, camera, colours) {
    const n = Math.min(track.left.length, track.right.length);
    const nodes = covered(camera.from, camera.to, n);
    if (nodes.length < 2) return;
    ctx.fillStyle = colours.covered;
    ctx.beginPath();
    for (let k = 0; k + 1 < nodes.length; k++) roadQuad(ctx, t, track, nodes[k], nodes[k + 1]);
    ctx.fill();
  }

  function drawCamera(ctx, t, camera, target, colours) {
    const x = t.x([camera.x, camera.y]), y = t.y([camera.x, camera.y]);
    if (target) {
      ctx.strokeStyle = colours.camera;
      ctx.setLineDash([3, 3]);
      ctx.beginPath();
      ctx.moveTo(x, y);
      ctx.lineTo(t.x([target.x, target.y]), t.y([target.x, target.y]));
      ctx.stroke();
      ctx.setLineDash([]);
    }
    ctx.fillStyle = colours.camera;
    ctx.beginPath();
    ctx.moveTo(x, y - 7); ctx.lineTo(x + 6, y); ctx.lineTo(x, y + 7); ctx.lineTo(x - 6, y);
    ctx.closePath();
    ctx.fill();
  }

  function drawCars(ctx, t, cars, positions, colours, radius) {
    // The followed car last, so that it is on top.
    const order = cars.slice().sort((a, b) => (a.followed ? 1 : 0) - (b.followed ? 1 : 0));
    ctx.textAlign = "center";
    ctx.textBaseline = "middle";
    ctx.font = "bold " + Math.round(radius * 1.1) + "px sans-serif";
    for (const car of order) {
      if (car.x == null || car.y == null) continue;
      const x = t.x([car.x, car.y]), y = t.y([car.x, car.y]);
      const r = car.followed ? radius * 1.35 : radius;
      ctx.fillStyle = car.followed ? colours.followed : colours.car;
      ctx.beginPath();
      ctx.arc(x, y, r, 0, 2 * Math.PI);
      ctx.fill();
      ctx.strokeStyle = colours.carEdge;
      ctx.lineWidth = 1.5;
      ctx.stroke();
      const pos = positions.get(car.plid);
      if (pos != null) {
        ctx.fillStyle = colours.carText;
        ctx.fillText(String(pos), x, y + 0.5);
      }
    }
  }

  // Draws everything; the canvas is sized to its box on the page. snap may be null (no cars).
  function draw(canvas, track, snap, colours) {
    const dpr = window.devicePixelRatio || 1;
    const width = canvas.clientWidth, height = canvas.clientHeight;
    if (canvas.width !== Math.round(width * dpr)) canvas.width = Math.round(width * dpr);
    if (canvas.height !== Math.round(height * dpr)) canvas.height = Math.round(height * dpr);
    const ctx = canvas.getContext("2d");
    ctx.setTransform(dpr, 0, 0, dpr, 0, 0);
    ctx.clearRect(0, 0, width, height);
    const box = track && track.left && track.right ? bounds(track) : null;
    if (!box || width < 20 || height < 20) return;
    const radius = Math.max(7, Math.min(11, Math.min(width, height) / 28));
    const t = fit(box, width, height, radius * 2 + 4);
    drawRoad(ctx, t, track, colours);
    const cars = (snap && snap.cars) || [];
    const camera = snap && snap.camera;
    if (camera && camera.x != null) {
      drawCovered(ctx, t, track, camera, colours);
      drawCamera(ctx, t, camera, cars.find((c) => c.followed), colours);
    }
    const positions = new Map();
    for (const row of (snap && snap.standings && snap.standings.rows) || []) {
      positions.set(row.plid, row.pos);
    }
    drawCars(ctx, t, cars, positions, colours, radius);
  }

  return { covered, draw };
})();
