#include "live_page.h"

namespace oxsdk::emulator {

// Texts that clients sent (names, messages) reach the document through textContent only.
const char* const kLivePage = R"PAGE(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>oxsdk-navigator live view</title>
<style>
body { margin: 0; display: flex; height: 100vh; font: 14px sans-serif; color: #222; background: #f4f5f7; }
#map { flex: 1; min-width: 0; height: 100%; }
aside { width: 300px; padding: 10px 14px; overflow: auto; background: #fff; border-left: 1px solid #ccd; }
h1 { font-size: 18px; margin: 4px 0 8px; }
h2 { font-size: 15px; margin: 14px 0 4px; }
dl { display: grid; grid-template-columns: auto 1fr; gap: 2px 10px; margin: 0; }
dt { color: #667; }
dd { margin: 0; }
ul { margin: 0; padding-left: 18px; }
#status { font-size: 12px; color: #667; }
#status.down { color: #b00; }
#screen { display: block; width: 240px; height: 320px; margin: 8px auto; border: 6px solid #333; border-radius: 8px; background: #e6eedf; }
.label { paint-order: stroke; stroke: #fff; stroke-width: 3px; stroke-linejoin: round; }
.place { fill: #333; }
.end { fill: #1d3f86; }
.hidden-set { opacity: 0.35; }
</style>
</head>
<body>
<svg id="map" viewBox="0 0 1000 800" preserveAspectRatio="xMidYMid meet" xmlns="http://www.w3.org/2000/svg">
  <rect width="1000" height="800" fill="#e6eedf"/>
  <rect id="map-area" fill="#3a6fd8" fill-opacity="0.07" stroke="#3a6fd8" stroke-dasharray="8 5" stroke-width="2"/>
  <g id="place-dots"></g>
  <polyline id="route" fill="none" stroke="#3a6fd8" stroke-width="5" stroke-linejoin="round" stroke-linecap="round"/>
  <polyline id="travelled" fill="none" stroke="#8e98a8" stroke-width="5" stroke-linejoin="round" stroke-linecap="round"/>
  <g id="start" visibility="hidden"><circle r="8" fill="#3a6fd8" stroke="#fff" stroke-width="3"/></g>
  <g id="destination" visibility="hidden"><circle r="9" fill="#fff" stroke="#222" stroke-width="3"/><circle r="4" fill="#222"/></g>
  <g id="pois"></g>
  <g id="favorites"></g>
  <g id="vehicle" visibility="hidden"><circle r="14" fill="#fff" fill-opacity="0.85" stroke="#c8321e" stroke-width="2"/><path d="M0,-13 L8,9 L0,4 L-8,9 Z" fill="#c8321e"/></g>
  <g id="labels"></g>
  <g id="scale" transform="translate(24 776)"><path id="scale-bar" fill="none" stroke="#222" stroke-width="2"/><text id="scale-text" class="label" y="-6"></text></g>
  <g id="north" transform="translate(966 104)"><path d="M0,-22 L9,4 L0,-2 L-9,4 Z" fill="#222"/><text y="20" text-anchor="middle" font-weight="bold" class="label">N</text></g>
  <g id="summary" visibility="hidden"><rect x="600" y="706" width="380" height="74" rx="8" fill="#fff" fill-opacity="0.92" stroke="#99a"/><text id="summary-1" x="616" y="736" font-size="16"></text><text id="summary-2" x="616" y="764" font-size="15"></text></g>
  <rect width="1000" height="64" fill="#f4f5f7" stroke="#ccd"/>
  <text id="view-name" x="24" y="40" font-size="20" font-weight="bold"></text>
  <g id="message" visibility="hidden"><rect x="220" y="8" width="770" height="48" rx="10" fill="#222" fill-opacity="0.9"/><text id="message-text" x="605" y="40" font-size="20" fill="#fff" text-anchor="middle"></text></g>
  <text id="measure" class="label" visibility="hidden"></text>
</svg>
<aside>
  <h1>Navigator</h1>
  <div id="status">connecting...</div>
  <svg id="screen" viewBox="0 0 240 320" xmlns="http://www.w3.org/2000/svg"><g id="screen-map"></g></svg>
  <h2>Now</h2>
  <dl>
    <dt>View</dt><dd id="info-view"></dd>
    <dt>Map</dt><dd id="info-map"></dd>
    <dt>Position</dt><dd id="info-position"></dd>
    <dt>Heading</dt><dd id="info-heading"></dd>
    <dt>Speed</dt><dd id="info-speed"></dd>
    <dt>Shown area</dt><dd id="info-area"></dd>
    <dt>Message</dt><dd id="info-message"></dd>
    <dt>GPS input</dt><dd id="info-gps"></dd>
  </dl>
  <h2>Route</h2>
  <dl>
    <dt>To</dt><dd id="info-destination"></dd>
    <dt>Length</dt><dd id="info-length"></dd>
    <dt>Travelled</dt><dd id="info-travelled"></dd>
    <dt>Left</dt><dd id="info-left"></dd>
  </dl>
  <h2>Favourites</h2>
  <ul id="favorite-list"></ul>
  <h2>Points of interest</h2>
  <ul id="poi-list"></ul>
  <h2>Settings</h2>
  <dl id="settings"></dl>
</aside>
<script>
'use strict';
const SVG = 'http://www.w3.org/2000/svg';
const W = 1000, H = 800, MARGIN = 50;
const BAND = 64;                          // the top band: the view's name and the flashed message
const METRES_PER_MICRODEGREE = 0.111195;  // of latitude
const SCREEN_ASPECT = 4 / 3;              // the handheld's portrait screen: height / width
const MAX_PLACE_LABELS = 60;
let route = {number: -1, points: []};
let places = [];  // [name, lat, lon, population], most populous first

function $(id) { return document.getElementById(id); }
function text(id, value) { $(id).textContent = value; }
function degrees(micro) { return (micro / 1e6).toFixed(5); }
function km(metres) { return (metres / 1000).toFixed(1) + ' km'; }
function clock(seconds) {
  const h = Math.floor(seconds / 3600), m = Math.floor(seconds / 60) % 60;
  return h + ' h ' + String(m).padStart(2, '0') + ' min';
}
function svgElement(name, attributes) {
  const element = document.createElementNS(SVG, name);
  for (const key in attributes) element.setAttribute(key, attributes[key]);
  return element;
}
function translate(element, x, y, turn) {
  element.setAttribute('transform', 'translate(' + x.toFixed(1) + ' ' + y.toFixed(1) + ')' + (turn ? ' rotate(' + turn + ')' : ''));
  return element;
}

// The drawing frame: a flat projection around the middle of what must be seen, below the band.
function makeFrame(points) {
  let south = Infinity, north = -Infinity, west = Infinity, east = -Infinity;
  for (const [lat, lon] of points) {
    south = Math.min(south, lat); north = Math.max(north, lat);
    west = Math.min(west, lon); east = Math.max(east, lon);
  }
  const lat0 = (south + north) / 2, lon0 = (west + east) / 2;
  const k = Math.cos(lat0 / 1e6 * Math.PI / 180);
  const least = 2000 / METRES_PER_MICRODEGREE;  // at least 2 km across
  const width = Math.max((east - west) * k, least), height = Math.max(north - south, least);
  const scale = Math.min((W - 2 * MARGIN) / width, (H - BAND - 2 * MARGIN) / height);
  return {lat0, lon0, k, scale};
}
function project(frame, lat, lon) {
  return [W / 2 + (lon - frame.lon0) * frame.k * frame.scale, (H + BAND) / 2 - (lat - frame.lat0) * frame.scale];
}
function areaCorners(area) {
  const halfWidth = area.widthMetres / 2 / METRES_PER_MICRODEGREE, halfHeight = halfWidth * SCREEN_ASPECT;
  const k = Math.cos(area.centre.lat / 1e6 * Math.PI / 180);
  return [[area.centre.lat - halfHeight, area.centre.lon - halfWidth / k],
          [area.centre.lat + halfHeight, area.centre.lon + halfWidth / k]];
}
function polylinePoints(frame, pairs) {
  return pairs.map(([lat, lon]) => project(frame, lat, lon).map(v => v.toFixed(1)).join(',')).join(' ');
}
function routePairs() {
  const pairs = [];
  for (let i = 0; i + 1 < route.points.length; i += 2) pairs.push([route.points[i], route.points[i + 1]]);
  return pairs;
}

// Labels. Every name on the map goes through one placer, so that no two overlap, none covers a
// marker and none leaves the map: markers first tell it their boxes, then labels are placed in
// order of importance, each at the first free spot around its anchor, or not at all. Something
// new on the map blocks its box (block) and queues its label (place) before the places do.
const extents = new Map();
function textExtent(label, size, weight) {  // width, and top and height around the baseline
  const key = size + '/' + weight + '/' + label;
  if (!extents.has(key)) {
    if (extents.size > 10000) extents.clear();
    const probe = $('measure');
    probe.setAttribute('font-size', size);
    probe.setAttribute('font-weight', weight);
    probe.textContent = label;
    const box = probe.getBBox();
    extents.set(key, {w: box.width, top: box.y, h: box.height});
  }
  return extents.get(key);
}
function overlaps(a, b) { return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h; }
function around(x, y, r) { return {x: x - r, y: y - r, w: 2 * r, h: 2 * r}; }
class LabelPlacer {
  constructor(bounds) { this.bounds = bounds; this.taken = []; this.labels = []; }
  block(box) { this.taken.push(box); }
  free(box) {
    const b = this.bounds;
    return box.x >= b.x && box.y >= b.y && box.x + box.w <= b.x + b.w && box.y + box.h <= b.y + b.h &&
           !this.taken.some(taken => overlaps(taken, box));
  }
  // Places `label` beside a marker of radius r at (x, y); false where it fits nowhere.
  place(x, y, r, label, style = {}) {
    const size = style.size || 13, weight = style.weight || 'normal';
    const extent = textExtent(label, size, weight);
    const w = extent.w + 4, h = extent.h + 2, gap = r + 3;
    const spots = [[x + gap, y - h / 2], [x - gap - w, y - h / 2], [x - w / 2, y - gap - h], [x - w / 2, y + gap],
                   [x + gap, y - h], [x + gap, y], [x - gap - w, y - h], [x - gap - w, y]];
    for (const [left, top] of spots) {
      const box = {x: left, y: top, w, h};
      if (!this.free(box)) continue;
      this.taken.push(box);
      this.labels.push({box, baseline: top + 1 - extent.top, label, size, weight, kind: style.kind || 'label'});
      return true;
    }
    return false;
  }
  // Draws the placed labels; each carries the box the browser gives its text (data-box).
  draw(group) {
    group.replaceChildren();
    for (const {box, baseline, label, size, weight, kind} of this.labels) {
      const caption = svgElement('text', {x: (box.x + 2).toFixed(1), y: baseline.toFixed(1),
                                          'font-size': size, 'font-weight': weight, class: 'label ' + kind});
      caption.textContent = label;
      group.appendChild(caption);
      const drawn = caption.getBBox();
      caption.setAttribute('data-box', [drawn.x, drawn.y, drawn.width, drawn.height].map(v => v.toFixed(1)).join(' '));
    }
  }
}

function drawScale(frame, placer) {
  const metresPerPixel = METRES_PER_MICRODEGREE / frame.scale;
  const raw = 160 * metresPerPixel, power = Math.pow(10, Math.floor(Math.log10(raw)));
  const nice = [5, 2, 1].map(f => f * power).find(v => v <= raw) || power;
  const pixels = nice / metresPerPixel;
  $('scale-bar').setAttribute('d', 'M0,-6 V0 H' + pixels.toFixed(1) + ' V-6');
  text('scale-text', nice >= 1000 ? nice / 1000 + ' km' : nice + ' m');
  placer.block({x: 20, y: 750, w: Math.max(pixels, 60) + 10, h: 34});
  placer.block({x: 940, y: 76, w: 52, h: 56});  // north
}

// Places of the gazetteer inside the map, largest first, each a dot with its name; a place
// whose name fits nowhere is left out, dot and all.
function drawPlaces(frame, placer, skip) {
  const dots = $('place-dots');
  dots.replaceChildren();
  let shown = 0;
  for (const [name, lat, lon, population] of places) {
    if (shown >= MAX_PLACE_LABELS) break;
    if (skip.has(name)) continue;
    const [x, y] = project(frame, lat, lon);
    const r = population >= 1e6 ? 6 : population >= 250000 ? 5 : population >= 100000 ? 4 : 3;
    const dot = around(x, y, r + 1);
    if (!placer.free(dot)) continue;
    const size = population >= 500000 ? 15 : population >= 100000 ? 13 : 12;
    if (!placer.place(x, y, r, name, {size, weight: population >= 500000 ? 'bold' : 'normal', kind: 'place'})) continue;
    placer.block(dot);
    dots.appendChild(translate(svgElement('circle', {r, fill: '#555', stroke: '#fff', 'stroke-width': 1.5}), x, y));
    ++shown;
  }
}

// Favourites and points of interest: a shape with its name as a tooltip; their labels are placed
// before the places'.
function drawMarkers(frame, placer, group, items, shape, r, label, kind) {
  group.replaceChildren();
  for (const item of items) {
    const [x, y] = project(frame, item.position.lat, item.position.lon);
    const g = translate(svgElement('g', {class: kind(item)}), x, y);
    g.appendChild(shape());
    const title = svgElement('title', {});
    title.textContent = label(item);
    g.appendChild(title);
    group.appendChild(g);
    placer.block(around(x, y, r));
  }
  for (const item of items) {
    const [x, y] = project(frame, item.position.lat, item.position.lon);
    placer.place(x, y, r, label(item), {kind: kind(item)});
  }
}

// The flashed message: a banner in the top band, which the map never reaches, cut to fit.
function drawMessage(state) {
  const shown = state.message.shown && state.message.text;
  $('message').setAttribute('visibility', shown ? 'visible' : 'hidden');
  let message = shown ? state.message.text : '', size = 20;
  while (size > 12 && textExtent(message, size, 'normal').w > 740) --size;
  while (message.length > 1 && textExtent(message, size, 'normal').w > 740) message = message.slice(0, -2) + '\u2026';
  $('message-text').setAttribute('font-size', size);
  text('message-text', message);
}

// The handheld's screen: the shown map area, turned by the map rotation.
function drawScreen(state, pairs) {
  const area = state.mapArea;
  const k = Math.cos(area.centre.lat / 1e6 * Math.PI / 180);
  const scale = 240 / (area.widthMetres / METRES_PER_MICRODEGREE);
  const at = (lat, lon) => [120 + (lon - area.centre.lon) * k * scale, 160 - (lat - area.centre.lat) * scale];
  const line = (list, colour) => svgElement('polyline', {fill: 'none', stroke: colour, 'stroke-width': 5,
      'stroke-linejoin': 'round', points: list.map(([lat, lon]) => at(lat, lon).map(v => v.toFixed(1)).join(',')).join(' ')});
  const place = (element, [x, y], turn) => translate(element, x, y, turn);
  const map = $('screen-map');
  map.replaceChildren();
  map.setAttribute('transform', 'rotate(' + (-area.rotationDegrees) + ' 120 160)');
  map.appendChild(line(pairs, '#3a6fd8'));
  const passed = state.route ? pairs.slice(0, state.route.passedPoint + 1) : [];
  if (passed.length) map.appendChild(line(passed.concat([[state.position.lat, state.position.lon]]), '#8e98a8'));
  if (state.route) map.appendChild(place(svgElement('circle', {r: 6, fill: '#fff', stroke: '#222', 'stroke-width': 3}),
                                         at(state.route.destination.lat, state.route.destination.lon)));
  for (const set of state.poiSets) for (const poi of set.points) {
    const square = svgElement('rect', {x: -4, y: -4, width: 8, height: 8, fill: '#7b3fb5', 'fill-opacity': set.visible ? 1 : 0.35});
    map.appendChild(place(square, at(poi.position.lat, poi.position.lon)));
  }
  for (const favorite of state.favorites) {
    map.appendChild(place(svgElement('path', {d: 'M0,-7 L6,0 L0,7 L-6,0 Z', fill: '#e0a800', stroke: '#6b5000'}),
                          at(favorite.position.lat, favorite.position.lon)));
  }
  map.appendChild(place(svgElement('path', {d: 'M0,-11 L7,8 L0,4 L-7,8 Z', fill: '#c8321e', stroke: '#fff'}),
                        at(state.position.lat, state.position.lon), state.headingDegrees));
}

// The map, back to front: area, places, route, markers, vehicle, then the labels of all of
// them. To add something (a second line, a marker): give it an element of its own in the SVG
// at its depth, draw it here, block its box in the placer and place its label before
// drawPlaces, which takes whatever room is left.
function drawMap(state, pairs) {
  const framed = pairs.slice();
  if (state.view === 'map' || !state.route) framed.push(...areaCorners(state.mapArea));
  if (!pairs.length) framed.push([state.position.lat, state.position.lon]);
  for (const favorite of state.favorites) framed.push([favorite.position.lat, favorite.position.lon]);
  for (const set of state.poiSets) for (const poi of set.points) framed.push([poi.position.lat, poi.position.lon]);
  const frame = makeFrame(framed);
  const placer = new LabelPlacer({x: 4, y: BAND + 4, w: W - 8, h: H - BAND - 8});

  const [c1, c2] = areaCorners(state.mapArea).map(([lat, lon]) => project(frame, lat, lon));
  const area = $('map-area');
  area.setAttribute('x', Math.min(c1[0], c2[0]).toFixed(1));
  area.setAttribute('y', Math.max(Math.min(c1[1], c2[1]), BAND).toFixed(1));
  area.setAttribute('width', Math.abs(c2[0] - c1[0]).toFixed(1));
  area.setAttribute('height', Math.max(Math.abs(c2[1] - c1[1]) - Math.max(BAND - Math.min(c1[1], c2[1]), 0), 0).toFixed(1));

  $('route').setAttribute('points', polylinePoints(frame, pairs));
  const passed = state.route ? pairs.slice(0, state.route.passedPoint + 1) : [];
  if (passed.length) passed.push([state.position.lat, state.position.lon]);
  $('travelled').setAttribute('points', polylinePoints(frame, passed));

  const [vx, vy] = project(frame, state.position.lat, state.position.lon);
  const vehicle = $('vehicle');
  vehicle.setAttribute('visibility', 'visible');
  translate(vehicle, vx, vy, state.headingDegrees);
  vehicle.setAttribute('data-lat', state.position.lat);
  vehicle.setAttribute('data-lon', state.position.lon);
  vehicle.setAttribute('data-heading', state.headingDegrees);
  vehicle.setAttribute('opacity', state.offRouteMetres > 0 ? 0.55 : 1);  // off its route: faded
  placer.block(around(vx, vy, 16));
  drawScale(frame, placer);
  const summary = state.view === 'navigation' && state.routeSummaryVisible && state.route;
  if (summary) placer.block({x: 600, y: 706, w: 380, h: 74});

  // The route's ends, named first.
  const named = new Set();
  const ends = [];
  for (const [id, shown, at, name, r] of [
      ['destination', !!state.route, state.route && state.route.destination, state.route && state.route.destinationName, 10],
      ['start', !!state.route && pairs.length > 0, pairs[0] && {lat: pairs[0][0], lon: pairs[0][1]}, route.startName, 9]]) {
    $(id).setAttribute('visibility', shown ? 'visible' : 'hidden');
    if (!shown) continue;
    const [x, y] = project(frame, at.lat, at.lon);
    translate($(id), x, y);
    placer.block(around(x, y, r));
    // An end under the vehicle (the start, as the trip begins) is named outside the vehicle's box.
    const d = Math.hypot(x - vx, y - vy);
    ends.push([x, y, d < 16 + r ? Math.max(r, 16 + d) : r,
               (id === 'start' ? 'Start: ' : 'To: ') + (name || degrees(at.lat) + ', ' + degrees(at.lon))]);
    if (name) named.add(name);
  }
  for (const [x, y, r, label] of ends) placer.place(x, y, r, label, {size: 15, weight: 'bold', kind: 'end'});

  drawMarkers(frame, placer, $('favorites'), state.favorites,
              () => svgElement('path', {d: 'M0,-9 L8,0 L0,9 L-8,0 Z', fill: '#e0a800', stroke: '#6b5000'}), 9,
              favorite => favorite.index + ': ' + favorite.name, () => 'favorite');
  const pois = [];
  for (const set of state.poiSets) for (const poi of set.points) pois.push(Object.assign({set}, poi));
  drawMarkers(frame, placer, $('pois'), pois, () => svgElement('rect', {x: -5, y: -5, width: 10, height: 10, fill: '#7b3fb5'}), 6,
              poi => poi.set.name + ': ' + poi.name, poi => poi.set.visible ? 'poi' : 'poi hidden-set');
  drawPlaces(frame, placer, named);
  placer.draw($('labels'));

  $('summary').setAttribute('visibility', summary ? 'visible' : 'hidden');
  if (summary) {
    text('summary-1', state.route.destinationName);
    text('summary-2', km(state.route.lengthMetres - state.route.travelledMetres) + ' to go, ' + clock(state.route.remainingSeconds));
  }
}

function render(state) {
  const pairs = routePairs();
  drawMap(state, pairs);
  drawScreen(state, pairs);
  text('view-name', state.view === 'map' ? 'Map view' : 'Navigation view');
  drawMessage(state);

  text('info-view', state.view === 'map' ? 'map' : 'navigation');
  text('info-map', state.mapName);
  text('info-position', degrees(state.position.lat) + ', ' + degrees(state.position.lon));
  text('info-heading', state.headingDegrees + '\u00b0');
  text('info-speed', state.speedKmh + ' km/h');
  text('info-area', km(state.mapArea.widthMetres) + ' wide around ' + degrees(state.mapArea.centre.lat) + ', ' +
       degrees(state.mapArea.centre.lon) + (state.mapArea.rotationDegrees ? ', turned ' + state.mapArea.rotationDegrees + '\u00b0' : ''));
  text('info-message', state.message.text ? state.message.text + (state.message.shown ? '' : ' (gone)') : 'none');
  text('info-gps', state.externalGpsInput ? 'external' : 'simulated');
  const r = state.route;
  text('info-destination', r ? r.destinationName + (r.arrived ? ' (arrived)' : '') : 'no route');
  text('info-length', r ? km(r.lengthMetres) : '');
  text('info-travelled', r ? km(r.travelledMetres) : '');
  text('info-left', r ? km(r.lengthMetres - r.travelledMetres) + ', ' + clock(r.remainingSeconds) : '');

  const favoriteList = $('favorite-list');
  favoriteList.replaceChildren();
  for (const favorite of state.favorites) {
    const item = document.createElement('li');
    item.textContent = favorite.index + ': ' + favorite.name + ' (' + degrees(favorite.position.lat) + ', ' + degrees(favorite.position.lon) + ')';
    favoriteList.appendChild(item);
  }
  const poiList = $('poi-list');
  poiList.replaceChildren();
  for (const set of state.poiSets) {
    const item = document.createElement('li');
    item.textContent = set.name + ': ' + set.points.length + ' point(s)' + (set.visible ? '' : ', hidden');
    poiList.appendChild(item);
  }
  const settings = $('settings');
  settings.replaceChildren();
  for (const name in state.settings) {
    const term = document.createElement('dt'), value = document.createElement('dd');
    term.textContent = name;
    value.textContent = state.settings[name];
    settings.append(term, value);
  }
}

async function poll() {
  try {
    const state = await (await fetch('state.json', {cache: 'no-store'})).json();
    const number = state.route ? state.route.number : 0;
    if (number !== route.number) route = await (await fetch('route.json', {cache: 'no-store'})).json();
    if (!places.length) places = (await (await fetch('places.json', {cache: 'no-store'})).json()).places;
    render(state);
    text('status', 'live');
    $('status').className = '';
  } catch (error) {
    text('status', 'the emulator does not answer');
    $('status').className = 'down';
  }
  setTimeout(poll, 500);
}
poll();
</script>
</body>
</html>
)PAGE";

}  // namespace oxsdk::emulator
