// The wallboard: a snapshot of every agent from the gateway's event stream,
// then each change as it comes. The stream resumes by itself after a cut
// (the browser sends the last id it got); when the gateway cannot bring the
// page up to date it says "reload", and the page opens the stream afresh.
// The read token comes from the page's fragment (#token=...) or a prompt;
// EventSource cannot send headers, so it goes as ?access_token=.
//
// The badge says whether the figures can be trusted: the gateway tells
// when its copy of the presence server turns stale or the server
// unreachable, and how long ago it last heard from it; the page then shows
// how old the data is.
//
// Tens of thousands of agents: a change costs the page the same however
// many there are. A worker reads the stream and hands over one small row
// an agent, only for those that changed; each updates the model and the
// tiles' counts at once and marks its agent; once a frame the page draws
// what was marked, and the table holds rows only for the agents in view (a
// spacer above and below stands for the rest).
'use strict';

const ROUTING_STATES = ['Available', 'Work', 'Unavailable', 'Logoff', 'Unknown'];
const MEDIA = ['Voice', 'Callback', 'Email', 'Web Chat', 'OpenMedia'];
// What the page shows: who the agent is, the routing state, the media.
const KINDS = 'identity,routing,media';
const ROW_HEIGHT = 30;
// Rows drawn beyond the visible ones, above and below, so that a short
// scroll shows no gap before the next frame.
const OVERSCAN = 10;

let users = new Map();
// A snapshot on its way in, until its last chunk.
let incoming = new Map();
// The keys of the agents the filter lets through, in key order.
let shown = [];
const counts = { state: new Map(), medium: new Map() };
const teams = new Map();
const sites = new Map();
// Agents changed since the last frame, and the rows in the table now.
const dirty = new Set();
const rows = new Map();
let layoutChanged = true;
let choicesChanged = true;
let frameQueued = false;

let token = new URLSearchParams(location.hash.slice(1)).get('token') || '';
// Out of the address bar, the history and any screenshot of the wall.
if (location.hash) history.replaceState(null, '', location.pathname + location.search);
// When the data shown was last known to be exact; null while it is.
let dataAsOf = null;

function setLink(state, text, title) {
  const link = document.getElementById('link');
  document.getElementById('badge').dataset.state = state;
  link.textContent = text;
  link.title = title || '';
  if (state === 'live') dataAsOf = null;
  else if (dataAsOf === null) dataAsOf = Date.now();
  showAge();
}

function showAge() {
  const seconds = dataAsOf === null ? 0 : Math.floor((Date.now() - dataAsOf) / 1000);
  const text = seconds >= 60 ? `${Math.floor(seconds / 60)} min ${seconds % 60} s` : `${seconds} s`;
  document.getElementById('age').textContent = dataAsOf === null || users.size === 0 ? '' : `data ${text} old`;
}

// The page's own lag: from a change reaching the browser to its drawing
// (counted per millisecond, the last counting all from 10 s), the longest
// task it has run, and how often the stream was cut.
const stats = { lags: new Uint32Array(10001), longestTaskMs: 0, cuts: 0 };
window.wallboardStats = stats;
if (window.PerformanceObserver && PerformanceObserver.supportedEntryTypes.includes('longtask')) {
  new PerformanceObserver((list) => {
    for (const entry of list.getEntries()) stats.longestTaskMs = Math.max(stats.longestTaskMs, entry.duration);
  }).observe({ type: 'longtask', buffered: true });
}

const STATUS_TEXTS = { live: 'Live', stale: 'Stale', unreachable: 'Server unreachable' };

function onStatus(status) {
  if (!status || typeof status.state !== 'string') return;
  if (status.state !== 'live' && status.heardAgoMs >= 0) dataAsOf = Date.now() - status.heardAgoMs;
  setLink(status.state, STATUS_TEXTS[status.state] || status.state, status.reason);
}

const filter = { team: '', site: '' };

function passes(user) {
  return (filter.team === '' || String(user.team) === filter.team) &&
         (filter.site === '' || String(user.site) === filter.site);
}

function elapsed(since) {
  if (!since) return '';
  const seconds = Math.max(0, Math.floor((Date.now() - since) / 1000));
  const h = Math.floor(seconds / 3600);
  const mm = String(Math.floor(seconds / 60) % 60).padStart(2, '0');
  const ss = String(seconds % 60).padStart(2, '0');
  return h > 0 ? `${h}:${mm}:${ss}` : `${mm}:${ss}`;
}

function bump(map, key, by) {
  const next = (map.get(key) || 0) + by;
  if (next === 0) map.delete(key);
  else map.set(key, next);
}

// What one agent adds to the tiles and the choices; -1 takes it away.
function account(user, by) {
  bump(teams, user.team, by);
  bump(sites, user.site, by);
  if (!passes(user)) return;
  bump(counts.state, user.state, by);
  for (const medium of user.media) bump(counts.medium, medium, by);
}

// Where `key` is or would go in `shown`.
function slot(key) {
  let low = 0;
  let high = shown.length;
  while (low < high) {
    const middle = (low + high) >> 1;
    if (shown[middle] < key) low = middle + 1;
    else high = middle;
  }
  return low;
}

function place(user, wasShown) {
  const show = passes(user);
  if (show === wasShown) return;
  const at = slot(user.key);
  if (show) shown.splice(at, 0, user.key);
  else shown.splice(at, 1);
  layoutChanged = true;
}

function put(user) {
  const before = users.get(user.key);
  if (before) account(before, -1);
  const wasShown = before ? passes(before) : false;
  users.set(user.key, user);
  account(user, 1);
  place(user, wasShown);
  if (!before || before.team !== user.team || before.site !== user.site) choicesChanged = true;
  dirty.add(user.key);
}

function remove(key) {
  const before = users.get(key);
  if (!before) return;
  account(before, -1);
  if (passes(before)) {
    shown.splice(slot(key), 1);
    layoutChanged = true;
  }
  users.delete(key);
  choicesChanged = true;
}

// The filter changed: every agent is counted and placed again.
function refilter() {
  counts.state.clear();
  counts.medium.clear();
  teams.clear();
  sites.clear();
  for (const user of users.values()) account(user, 1);
  shown = [...users.values()].filter(passes).map((u) => u.key).sort((a, b) => a - b);
  for (const row of rows.values()) row.remove();
  rows.clear();
  layoutChanged = true;
  queueFrame();
}

function tiles(id, labels, map, className) {
  const section = document.getElementById(id);
  if (section.children.length !== labels.length) {
    section.replaceChildren(...labels.map((label) => {
      const tile = document.createElement('div');
      tile.className = `tile ${className || label}`;
      tile.dataset.label = label;
      const count = document.createElement('div');
      count.className = 'count';
      const caption = document.createElement('div');
      caption.className = 'label';
      caption.textContent = label;
      tile.append(count, caption);
      return tile;
    }));
  }
  labels.forEach((label, i) => {
    const count = section.children[i].firstChild;
    const text = String(map.get(label) || 0);
    if (count.textContent !== text) count.textContent = text;
  });
}

function fillChoices(id, values) {
  const select = document.getElementById(id);
  const chosen = select.value;
  const keys = [...values.keys()].sort((a, b) => a - b).map(String);
  select.replaceChildren(new Option('All', ''), ...keys.map((key) => new Option(key, key)));
  select.value = keys.includes(chosen) ? chosen : '';
}

function fillRow(row, user) {
  row.dataset.state = user.state;
  const texts = [user.id, user.key, user.team, user.site, user.state, elapsed(user.since), user.media.join(', ')];
  texts.forEach((text, i) => {
    const value = String(text);
    if (row.cells[i].textContent !== value) row.cells[i].textContent = value;
  });
  row.cells[5].dataset.since = user.since;
}

function newRow(key) {
  const row = document.createElement('tr');
  row.dataset.userKey = key;
  for (const className of ['', '', '', '', 'state', 'time', 'media']) {
    const td = row.insertCell();
    if (className) td.className = className;
  }
  fillRow(row, users.get(key));
  return row;
}

// The rows in view, made or kept by agent; the spacers stand for the rest.
function drawRows() {
  const viewport = document.getElementById('viewport');
  const first = Math.max(0, Math.floor(viewport.scrollTop / ROW_HEIGHT) - OVERSCAN);
  const count = Math.ceil(viewport.clientHeight / ROW_HEIGHT) + 2 * OVERSCAN;
  const keys = shown.slice(first, first + count);
  const wanted = new Set(keys);
  for (const [key, row] of rows) {
    if (!wanted.has(key)) {
      row.remove();
      rows.delete(key);
    }
  }
  const body = document.querySelector('#agents tbody');
  const above = document.getElementById('above');
  const below = document.getElementById('below');
  above.style.height = `${first * ROW_HEIGHT}px`;
  below.style.height = `${Math.max(0, shown.length - first - keys.length) * ROW_HEIGHT}px`;
  let previous = above;
  for (const key of keys) {
    let row = rows.get(key);
    if (!row) {
      row = newRow(key);
      rows.set(key, row);
    } else if (dirty.has(key)) {
      fillRow(row, users.get(key));
    }
    if (previous.nextSibling !== row) body.insertBefore(row, previous.nextSibling);
    previous = row;
  }
}

function draw() {
  frameQueued = false;
  if (choicesChanged) {
    fillChoices('team', teams);
    fillChoices('site', sites);
    choicesChanged = false;
  }
  tiles('routing-tiles', ROUTING_STATES, counts.state);
  tiles('media-tiles', MEDIA, counts.medium, 'medium');
  if (layoutChanged) {
    drawRows();
    layoutChanged = false;
  } else {
    for (const key of dirty) {
      const row = rows.get(key);
      if (row) fillRow(row, users.get(key));
    }
  }
  const now = Date.now();
  for (const key of dirty) {
    const user = users.get(key);
    if (user) stats.lags[Math.min(Math.max(0, Math.round(now - user.at)), stats.lags.length - 1)]++;
  }
  dirty.clear();
}

function queueFrame() {
  if (!frameQueued) {
    frameQueued = true;
    requestAnimationFrame(draw);
  }
}

function tick() {
  showAge();
  for (const row of rows.values()) row.cells[5].textContent = elapsed(Number(row.cells[5].dataset.since));
}

// A snapshot comes in chunks, each a task of its own; the agents are
// counted and placed once the last is in.
function onSnapshot(rows, last) {
  for (const user of rows) incoming.set(user.key, user);
  if (!last) return;
  users = incoming;
  incoming = new Map();
  refilter();
  choicesChanged = true;
}

function onRows(rows, removed) {
  for (const key of removed) remove(key);
  for (const user of rows) put(user);
  queueFrame();
}

const reader = new Worker('wallboard-worker.js');
reader.onmessage = (event) => {
  const message = event.data;
  if (message.type === 'rows') onRows(message.rows, message.removed);
  else if (message.type === 'snapshot') onSnapshot(message.rows, message.last);
  else if (message.type === 'reset') incoming = new Map();
  else if (message.type === 'status') onStatus(message.status);
  else if (message.type === 'reload') setTimeout(connect, 0);
  else if (message.type === 'broken') onBroken(message);
  else if (message.type === 'link') onLink(message.state);
};

function onBroken(message) {
  console.warn('wallboard: unreadable event', message.what);
  if (!message.snapshot) return;
  setLink('failed', 'Unreadable snapshot: retrying', message.what);
  setTimeout(connect, 3000);
}

function onLink(state) {
  if (state === 'open') return;
  stats.cuts++;
  if (state === 'closed') setTimeout(connect, 2000);
  setLink('reconnecting', 'Reconnecting…');
}

async function probe() {
  const headers = token ? { Authorization: `Bearer ${token}` } : {};
  try {
    return (await fetch('/v1/users?state=unknown', { headers })).status;
  } catch (e) {
    return 0;
  }
}

async function connect() {
  reader.postMessage({ close: true });
  setLink('connecting', 'Connecting…');
  let status = await probe();
  if (status === 401 && !token) {
    token = window.prompt('A read token for this gateway') || '';
    status = await probe();
  }
  if (status === 401 || status === 403) {
    // Asking again with the same token cannot help.
    setLink('failed', 'Token refused: open the page with a read token (#token=…)');
    return;
  }
  if (status !== 200) {
    setLink('failed', 'Gateway not ready: retrying');
    setTimeout(connect, 3000);
    return;
  }
  const url = `/v1/stream?kinds=${KINDS}` + (token ? `&access_token=${encodeURIComponent(token)}` : '');
  reader.postMessage({ open: new URL(url, location.href).href });
}

for (const id of ['team', 'site']) {
  document.getElementById(id).addEventListener('change', (event) => {
    filter[id] = event.target.value;
    refilter();
  });
}
document.getElementById('viewport').addEventListener('scroll', () => {
  layoutChanged = true;
  queueFrame();
}, { passive: true });
window.addEventListener('resize', () => {
  layoutChanged = true;
  queueFrame();
});
setInterval(tick, 1000);
connect();
