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
// many there are. Each one updates the model and the tiles' counts at once
// and marks its agent; once a frame the page draws what was marked, and the
// table holds rows only for the agents in view (a spacer above and below
// stands for the rest).
'use strict';

const ROUTING_STATES = ['Available', 'Work', 'Unavailable', 'Logoff', 'Unknown'];
const MEDIA = ['Voice', 'Callback', 'Email', 'Web Chat', 'OpenMedia'];
// What the page shows: who the agent is, the routing state, the media.
const KINDS = 'identity,routing,media';
const ROW_HEIGHT = 30;
// Rows drawn beyond the visible ones, above and below, so that a short
// scroll shows no gap before the next frame.
const OVERSCAN = 10;

const users = new Map();
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
let source = null;
// When the data shown was last known to be exact; null while it is.
let dataAsOf = null;

function nameOf(named) {
  return named ? (named.name !== null ? named.name : String(named.value)) : '';
}

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

const STATUS_TEXTS = { live: 'Live', stale: 'Stale', unreachable: 'Server unreachable' };

function onStatus(event) {
  const status = JSON.parse(event.data);
  if (status.state !== 'live' && status.heardAgoMs >= 0) dataAsOf = Date.now() - status.heardAgoMs;
  setLink(status.state, STATUS_TEXTS[status.state] || status.state, status.reason);
}

function stateOf(user) {
  return nameOf(user.routingState && user.routingState.state);
}

function loggedOnMedia(user) {
  return (user.media || []).filter((m) => nameOf(m.state) !== 'Logoff').map((m) => nameOf(m.medium));
}

const filter = { team: '', site: '' };

function passes(user) {
  return (filter.team === '' || String(user.teamKey) === filter.team) &&
         (filter.site === '' || String(user.siteKey) === filter.site);
}

function elapsed(since) {
  if (!since) return '';
  const seconds = Math.max(0, Math.floor((Date.now() - Date.parse(since)) / 1000));
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
  bump(teams, user.teamKey, by);
  bump(sites, user.siteKey, by);
  if (!passes(user)) return;
  bump(counts.state, stateOf(user), by);
  for (const medium of loggedOnMedia(user)) bump(counts.medium, medium, by);
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
  const at = slot(user.userKey);
  if (show) shown.splice(at, 0, user.userKey);
  else shown.splice(at, 1);
  layoutChanged = true;
}

function put(user) {
  const before = users.get(user.userKey);
  if (before) account(before, -1);
  const wasShown = before ? passes(before) : false;
  users.set(user.userKey, user);
  account(user, 1);
  place(user, wasShown);
  if (!before || before.teamKey !== user.teamKey || before.siteKey !== user.siteKey) choicesChanged = true;
  dirty.add(user.userKey);
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
  shown = [...users.values()].filter(passes).map((u) => u.userKey).sort((a, b) => a - b);
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
  const state = stateOf(user);
  const since = (user.routingState && user.routingState.startTime) || '';
  row.dataset.state = state;
  const texts = [user.userId, user.userKey, user.teamKey, user.siteKey, state, elapsed(since),
                 loggedOnMedia(user).join(', ')];
  texts.forEach((text, i) => {
    const value = String(text);
    if (row.cells[i].textContent !== value) row.cells[i].textContent = value;
  });
  row.cells[5].dataset.since = since;
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
  for (const row of rows.values()) row.cells[5].textContent = elapsed(row.cells[5].dataset.since);
}

function onSnapshot(event) {
  users.clear();
  for (const user of JSON.parse(event.data).users) users.set(user.userKey, user);
  refilter();
  choicesChanged = true;
}

function onChange(event) {
  const change = JSON.parse(event.data);
  if (change.kind === 'removed') remove(change.userKey);
  else if (change.kind === 'added' || !users.has(change.userKey)) put(change.user);
  else put({ ...users.get(change.userKey), ...change.user });
  queueFrame();
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
  if (source) source.close();
  source = null;
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
  source = new EventSource(url);
  source.addEventListener('snapshot', onSnapshot);
  source.addEventListener('change', onChange);
  source.addEventListener('status', onStatus);
  source.addEventListener('reload', () => setTimeout(connect, 0));
  source.onerror = () => {
    if (source.readyState === EventSource.CLOSED) setTimeout(connect, 2000);
    setLink('reconnecting', 'Reconnecting…');
  };
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
