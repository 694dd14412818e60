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
// counts at once and marks its agent; once a frame the page draws what was
// marked, and the table holds rows only for the agents in view (a spacer
// above and below stands for the rest). What depends on the clock (who is
// past a threshold) is counted once a second.
//
// The view (filters, search, sort, wall mode, thresholds) lives in the
// address's fragment, so that a wall's page comes back as it was and the
// gateway never sees it (a fragment edited in the address bar is taken as
// the view at once); thresholds are also kept in the browser for the next
// page opened without them.
'use strict';

const ROUTING_STATES = ['Available', 'Work', 'Unavailable', 'Logoff', 'Unknown'];
const MEDIA = ['Voice', 'Callback', 'Email', 'Web Chat', 'OpenMedia'];
// What the page shows: who the agent is, the routing state, the media and,
// unless the view says contacts=0, the gateway's summary of the contacts
// (since when on one, and in post-processing), not the contacts
// themselves.
const KINDS = 'identity,routing,media';
const CONTACT_KINDS = `${KINDS},contacts`;
// Rows drawn beyond the visible ones, above and below, so that a short
// scroll shows no gap before the next frame.
const OVERSCAN = 10;
const WRAPUP = 'Post-processing';
const CONTACT = 'On a contact';

// Seconds an agent may stay before the page marks it; 0: no limit.
const LIMITS = [
  { id: 'available', label: 'Available', state: 'Available' },
  { id: 'work', label: 'Work', state: 'Work' },
  { id: 'unavailable', label: 'Unavailable', state: 'Unavailable' },
  { id: 'wrapup', label: WRAPUP, clock: 'wrapup' },
  { id: 'contact', label: 'Contact', clock: 'contact' },
];
const limits = Object.fromEntries(LIMITS.map((limit) => [limit.id, 0]));
const LIMIT_OF_STATE = Object.fromEntries(LIMITS.filter((l) => l.state).map((l) => [l.state, l.id]));

function clockText(since) {
  return since ? elapsed(since) : '';
}

// The table's columns; `value` orders them.
const COLUMNS = [
  { id: 'agent', label: 'Agent', text: (u) => u.id, value: (u) => u.id },
  { id: 'key', label: 'Key', text: (u) => u.key, value: (u) => u.key },
  { id: 'team', label: 'Team', text: (u) => u.team, value: (u) => u.team },
  { id: 'site', label: 'Site', text: (u) => u.site, value: (u) => u.site },
  { id: 'state', label: 'Routing state', className: 'state', text: (u) => u.state, value: (u) => u.state },
  { id: 'reason', label: 'Reason', text: (u) => u.reason || '', value: (u) => u.reason },
  { id: 'time', label: 'Time in state', className: 'time', clock: 'since' },
  { id: 'wrapup', label: WRAPUP, className: 'time', clock: 'wrapup' },
  { id: 'contact', label: 'Contact time', className: 'time', clock: 'contact' },
  { id: 'media', label: 'Media', className: 'media', text: (u) => u.media.join(', '), value: (u) => u.media.join(', ') },
];
for (const column of COLUMNS) {
  if (!column.clock) continue;
  const clock = column.clock;
  column.text = (u) => clockText(u[clock]);
  // Longer in it sorts after shorter; not in it at all first.
  column.value = (u) => (u[clock] ? -u[clock] : -Infinity);
}
const COLUMN_BY_ID = Object.fromEntries(COLUMNS.map((c) => [c.id, c]));
const CLOCK_CELLS = COLUMNS.map((c, i) => [c.clock, i]).filter(([clock]) => clock);

let users = new Map();
// A snapshot on its way in, until its last chunk.
let incoming = new Map();
// The keys of the agents the filter lets through, in the order chosen.
let shown = [];
// Whether changes since the last sort may have put `shown` out of order.
let orderStale = false;
const counts = { state: new Map(), medium: new Map(), work: new Map() };
// Per team (of the agents the filter lets through): agents, per state, at work.
const teamCounts = new Map();
// Past a threshold, counted once a second: per tile label and per team.
let overs = { tiles: new Map(), teams: new Map() };
const teams = new Map();
const sites = new Map();
// Agents changed since the last frame, and the rows in the table now.
const dirty = new Set();
const rows = new Map();
let layoutChanged = true;
let choicesChanged = true;
let teamsChanged = true;
let frameQueued = false;
let rowHeight = 30;
// A refilter under way (its serial: a later one calls it off), and the
// changes that wait for it.
let refilters = 0;
let refiltering = false;
let held = [];
// Milliseconds of counting and placing a task, at most. The next slice is
// a message, not a timer, which a page in the background would slow to
// one a second.
const SLICE_MS = 8;
const nextSlice = new MessageChannel();
let refilterStep = () => {};
// A message for a refilter since replaced is dropped.
nextSlice.port1.onmessage = (event) => refilterStep(event.data);

const VIEW = { team: '', site: '', q: '', sort: 'key', desc: false, wall: false, contacts: true };
const view = { ...VIEW };

// Taken out of the address bar, the history and any screenshot of the
// wall once the view is written back.
let token = new URLSearchParams(location.hash.slice(1)).get('token') || '';
// When the data shown was last known to be exact; null while it is.
let dataAsOf = null;

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

function readStored() {
  try {
    return JSON.parse(localStorage.getItem('wallboard.limits') || '{}') || {};
  } catch (e) {
    return {};
  }
}

function store() {
  try {
    localStorage.setItem('wallboard.limits', JSON.stringify(limits));
  } catch (e) {
    // A browser that keeps nothing still shows the thresholds of the address.
  }
}

function seconds(text) {
  const value = Number(text);
  return Number.isFinite(value) && value >= 0 ? Math.floor(value) : null;
}

// The view the address gives; what it does not say (or says wrongly) is
// as on a page opened without it.
function readView(params) {
  Object.assign(view, VIEW);
  const stored = readStored();
  for (const limit of LIMITS) {
    const given = seconds(params.get(`max-${limit.id}`) ?? stored[limit.id] ?? 0);
    if (given !== null) limits[limit.id] = given;
  }
  store();
  for (const id of ['team', 'site']) if (/^-?\d+$/.test(params.get(id) || '')) view[id] = params.get(id);
  view.q = (params.get('q') || '').trim().toLowerCase();
  if (COLUMN_BY_ID[params.get('sort')]) view.sort = params.get('sort');
  view.desc = params.get('desc') === '1';
  view.wall = params.get('wall') === '1';
  view.contacts = params.get('contacts') !== '0';
}

function writeView() {
  const params = new URLSearchParams();
  for (const id of ['team', 'site', 'q']) if (view[id]) params.set(id, view[id]);
  if (view.sort !== 'key') params.set('sort', view.sort);
  if (view.desc) params.set('desc', '1');
  if (view.wall) params.set('wall', '1');
  if (!view.contacts) params.set('contacts', '0');
  for (const limit of LIMITS) if (limits[limit.id]) params.set(`max-${limit.id}`, limits[limit.id]);
  const query = params.toString();
  history.replaceState(null, '', location.pathname + (query ? `#${query}` : ''));
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

function onStatus(status) {
  if (!status || typeof status.state !== 'string') return;
  if (status.state !== 'live' && status.heardAgoMs >= 0) dataAsOf = Date.now() - status.heardAgoMs;
  setLink(status.state, STATUS_TEXTS[status.state] || status.state, status.reason);
}

function passes(user) {
  return (view.team === '' || String(user.team) === view.team) &&
         (view.site === '' || String(user.site) === view.site) &&
         (view.q === '' || user.id.toLowerCase().includes(view.q) || String(user.key).startsWith(view.q));
}

function elapsed(since) {
  const seconds = Math.max(0, Math.floor((Date.now() - since) / 1000));
  const h = Math.floor(seconds / 3600);
  const mm = String(Math.floor(seconds / 60) % 60).padStart(2, '0');
  const ss = String(seconds % 60).padStart(2, '0');
  return h > 0 ? `${h}:${mm}:${ss}` : `${mm}:${ss}`;
}

// Which of an agent's clocks are past their thresholds at `now`.
function pastLimits(user, now) {
  const past = (since, limit) => limit > 0 && since > 0 && now - since > limit * 1000;
  return {
    since: past(user.since, limits[LIMIT_OF_STATE[user.state]] || 0),
    wrapup: past(user.wrapup, limits.wrapup),
    contact: past(user.contact, limits.contact),
  };
}

function bump(map, key, by) {
  const next = (map.get(key) || 0) + by;
  if (next === 0) map.delete(key);
  else map.set(key, next);
}

function teamCount(team) {
  let count = teamCounts.get(team);
  if (!count) {
    count = { agents: 0, states: new Map(), work: new Map() };
    teamCounts.set(team, count);
    teamsChanged = true;
  }
  return count;
}

// What one agent adds to the counts and the choices; -1 takes it away.
function account(user, by) {
  bump(teams, user.team, by);
  bump(sites, user.site, by);
  if (!passes(user)) return;
  bump(counts.state, user.state, by);
  for (const medium of user.media) bump(counts.medium, medium, by);
  const team = teamCount(user.team);
  team.agents += by;
  bump(team.states, user.state, by);
  if (user.wrapup) {
    bump(counts.work, WRAPUP, by);
    bump(team.work, WRAPUP, by);
  }
  if (user.contact) {
    bump(counts.work, CONTACT, by);
    bump(team.work, CONTACT, by);
  }
  if (team.agents === 0) {
    teamCounts.delete(user.team);
    teamsChanged = true;
  }
}

function compare(a, b) {
  const column = COLUMN_BY_ID[view.sort];
  const x = column.value(a);
  const y = column.value(b);
  const order = x < y ? -1 : x > y ? 1 : a.key - b.key;
  return view.desc ? -order : order;
}

// Where `user` is or would go in `shown`.
function slot(user) {
  let low = 0;
  let high = shown.length;
  while (low < high) {
    const middle = (low + high) >> 1;
    if (compare(users.get(shown[middle]) || user, user) < 0) low = middle + 1;
    else high = middle;
  }
  return low;
}

// Where `user`'s key is in `shown`, which changes since the last sort may
// have put out of order.
function position(user) {
  const at = slot(user);
  return shown[at] === user.key ? at : shown.indexOf(user.key);
}

function sortShown() {
  const list = shown.map((key) => users.get(key));
  list.sort(compare);
  shown = list.map((user) => user.key);
  orderStale = false;
  layoutChanged = true;
}

function put(user) {
  const before = users.get(user.key);
  if (before) account(before, -1);
  const wasShown = before ? passes(before) : false;
  const show = passes(user);
  if (wasShown && !show) shown.splice(position(before), 1);
  users.set(user.key, user);
  account(user, 1);
  if (show && !wasShown) shown.splice(slot(user), 0, user.key);
  if (show !== wasShown) layoutChanged = true;
  else if (show && view.sort !== 'key') orderStale = true;
  if (!before || before.team !== user.team || before.site !== user.site) choicesChanged = true;
  dirty.add(user.key);
}

function remove(key) {
  const before = users.get(key);
  if (!before) return;
  account(before, -1);
  if (passes(before)) {
    const at = position(before);
    if (at >= 0) shown.splice(at, 1);
    layoutChanged = true;
  }
  users.delete(key);
  choicesChanged = true;
}

// The filter or the order changed, or a snapshot came: every agent is
// counted and placed again, a slice of them a task, so that the page never
// stops for long. Meanwhile nothing is drawn, and changes wait.
function refilter() {
  counts.state.clear();
  counts.medium.clear();
  counts.work.clear();
  teamCounts.clear();
  teams.clear();
  sites.clear();
  shown = [];
  const all = [...users.values()];
  const serial = ++refilters;
  let next = 0;
  refilterStep = (asked) => {
    if (asked !== serial) return;
    const until = performance.now() + SLICE_MS;
    while (next < all.length && performance.now() < until) {
      for (const end = Math.min(next + 500, all.length); next < end; ++next) {
        const user = all[next];
        account(user, 1);
        if (passes(user)) shown.push(user.key);
      }
    }
    if (next < all.length) {
      nextSlice.port2.postMessage(serial);
      return;
    }
    sortShown();
    for (const row of rows.values()) row.remove();
    rows.clear();
    teamsChanged = true;
    choicesChanged = true;
    countOvers();
    refiltering = false;
    const waiting = held;
    held = [];
    for (const [changed, removed] of waiting) onRows(changed, removed);
    queueFrame();
  };
  refiltering = true;
  refilterStep(serial);
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
      const over = document.createElement('div');
      over.className = 'over';
      tile.append(count, caption, over);
      return tile;
    }));
  }
  labels.forEach((label, i) => {
    const tile = section.children[i];
    setText(tile.firstChild, String(map.get(label) || 0));
    const over = overs.tiles.get(label) || 0;
    setText(tile.lastChild, over ? `${over} past threshold` : '');
    tile.classList.toggle('alert', over > 0);
  });
}

function setText(element, text) {
  if (element.textContent !== text) element.textContent = text;
}

function fillChoices(id, values) {
  const select = document.getElementById(id);
  const keys = [...values.keys()].sort((a, b) => a - b).map(String);
  // A team asked for in the address stays chosen before any agent of it shows.
  if (view[id] !== '' && !keys.includes(view[id])) keys.push(view[id]);
  select.replaceChildren(new Option('All', ''), ...keys.map((key) => new Option(key, key)));
  select.value = view[id];
}

const TEAM_COLUMNS = ['Available', 'Work', 'Unavailable', 'Logoff'];

// One row a team, in team order, the teams the filter lets through.
function drawTeams() {
  const body = document.querySelector('#teams tbody');
  const order = [...teamCounts.keys()].sort((a, b) => a - b);
  if (teamsChanged || body.rows.length !== order.length) {
    body.replaceChildren(...order.map((team) => {
      const row = document.createElement('tr');
      row.dataset.team = team;
      for (let i = 0; i < TEAM_COLUMNS.length + 5; ++i) row.insertCell();
      return row;
    }));
    teamsChanged = false;
  }
  order.forEach((team, i) => {
    const count = teamCounts.get(team);
    const over = overs.teams.get(team) || 0;
    const row = body.rows[i];
    const texts = [team, count.agents, ...TEAM_COLUMNS.map((s) => count.states.get(s) || 0),
                   count.work.get(WRAPUP) || 0, count.work.get(CONTACT) || 0, over || ''];
    texts.forEach((text, j) => setText(row.cells[j], String(text)));
    row.classList.toggle('alert', over > 0);
  });
}

function fillRow(row, user, now) {
  row.dataset.state = user.state;
  COLUMNS.forEach((column, i) => setText(row.cells[i], String(column.text(user))));
  markPast(row, user, now);
}

function markPast(row, user, now) {
  const past = pastLimits(user, now);
  let any = false;
  for (const [clock, i] of CLOCK_CELLS) {
    row.cells[i].classList.toggle('past', past[clock]);
    any = any || past[clock];
  }
  row.classList.toggle('past', any);
}

function newRow(key, now) {
  const row = document.createElement('tr');
  row.dataset.userKey = key;
  for (const column of COLUMNS) {
    const td = row.insertCell();
    if (column.className) td.className = column.className;
  }
  fillRow(row, users.get(key), now);
  return row;
}

// The rows in view, made or kept by agent; the spacers stand for the rest.
function drawRows(now) {
  const viewport = document.getElementById('viewport');
  const first = Math.max(0, Math.floor(viewport.scrollTop / rowHeight) - OVERSCAN);
  const count = Math.ceil(viewport.clientHeight / rowHeight) + 2 * OVERSCAN;
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
  above.style.height = `${first * rowHeight}px`;
  below.style.height = `${Math.max(0, shown.length - first - keys.length) * rowHeight}px`;
  let previous = above;
  for (const key of keys) {
    let row = rows.get(key);
    if (!row) {
      row = newRow(key, now);
      rows.set(key, row);
    } else if (dirty.has(key)) {
      fillRow(row, users.get(key), now);
    }
    if (previous.nextSibling !== row) body.insertBefore(row, previous.nextSibling);
    previous = row;
  }
}

function draw() {
  frameQueued = false;
  if (refiltering) return;
  const now = Date.now();
  if (choicesChanged) {
    fillChoices('team', teams);
    fillChoices('site', sites);
    choicesChanged = false;
  }
  tiles('routing-tiles', ROUTING_STATES, counts.state);
  tiles('work-tiles', [WRAPUP, CONTACT], counts.work, 'work');
  tiles('media-tiles', MEDIA, counts.medium, 'medium');
  drawTeams();
  if (layoutChanged) {
    drawRows(now);
    layoutChanged = false;
  } else {
    for (const key of dirty) {
      const row = rows.get(key);
      if (row) fillRow(row, users.get(key), now);
    }
  }
  const drawn = Date.now();
  for (const key of dirty) {
    const user = users.get(key);
    if (user) stats.lags[Math.min(Math.max(0, Math.round(drawn - user.at)), stats.lags.length - 1)]++;
  }
  dirty.clear();
}

function queueFrame() {
  if (!frameQueued) {
    frameQueued = true;
    requestAnimationFrame(draw);
  }
}

// Who is past a threshold now, per tile and per team: every agent shown,
// once a second, since the clock moves them there without a change.
function countOvers() {
  const next = { tiles: new Map(), teams: new Map() };
  overs = next;
  if (!LIMITS.some((limit) => limits[limit.id] > 0)) return;
  // Since when an agent would be past each threshold; no object an agent.
  const now = Date.now();
  const start = (id) => (limits[id] > 0 ? now - limits[id] * 1000 : -Infinity);
  const stateStart = new Map(LIMITS.filter((l) => l.state).map((l) => [l.state, start(l.id)]));
  const wrapupStart = start('wrapup');
  const contactStart = start('contact');
  for (const key of shown) {
    const user = users.get(key);
    const since = user.since > 0 && user.since < (stateStart.get(user.state) ?? -Infinity);
    const wrapup = user.wrapup > 0 && user.wrapup < wrapupStart;
    const contact = user.contact > 0 && user.contact < contactStart;
    if (since) bump(next.tiles, user.state, 1);
    if (wrapup) bump(next.tiles, WRAPUP, 1);
    if (contact) bump(next.tiles, CONTACT, 1);
    if (since || wrapup || contact) bump(next.teams, user.team, 1);
  }
}

function tick() {
  showAge();
  if (refiltering) return;
  if (orderStale) sortShown();
  countOvers();
  const now = Date.now();
  for (const [key, row] of rows) {
    const user = users.get(key);
    for (const [clock, i] of CLOCK_CELLS) setText(row.cells[i], clockText(user[clock]));
    markPast(row, user, now);
  }
  queueFrame();
}

// A snapshot comes in chunks, each a task of its own; the agents are
// counted and placed once the last is in.
function onSnapshot(chunk, last) {
  for (const user of chunk) incoming.set(user.key, user);
  if (!last) return;
  users = incoming;
  incoming = new Map();
  refilter();
}

// Changes that wait for a refilter are of the copy a new snapshot replaces.
function startSnapshot() {
  incoming = new Map();
  held = [];
}

function onRows(changed, removed) {
  if (refiltering) {
    held.push([changed, removed]);
    return;
  }
  for (const key of removed) remove(key);
  for (const user of changed) put(user);
  queueFrame();
}

const reader = new Worker('wallboard-worker.js');
reader.onmessage = (event) => {
  const message = event.data;
  if (message.type === 'rows') onRows(message.rows, message.removed);
  else if (message.type === 'snapshot') onSnapshot(message.rows, message.last);
  else if (message.type === 'reset') startSnapshot();
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
  const url = `/v1/stream?kinds=${view.contacts ? CONTACT_KINDS : KINDS}` + (token ? `&access_token=${encodeURIComponent(token)}` : '');
  reader.postMessage({ open: new URL(url, location.href).href });
}

function buildHeader() {
  const head = document.querySelector('#agents thead tr');
  head.replaceChildren(...COLUMNS.map((column) => {
    const th = document.createElement('th');
    th.dataset.column = column.id;
    const button = document.createElement('button');
    button.type = 'button';
    button.textContent = column.label;
    button.addEventListener('click', () => {
      view.desc = view.sort === column.id ? !view.desc : Boolean(column.clock);
      view.sort = column.id;
      changeView();
    });
    th.append(button);
    return th;
  }));
  for (const spacer of document.querySelectorAll('tr.spacer td')) spacer.colSpan = COLUMNS.length;
}

function showSort() {
  for (const th of document.querySelectorAll('#agents thead th')) {
    const sorted = th.dataset.column === view.sort;
    if (sorted) th.setAttribute('aria-sort', view.desc ? 'descending' : 'ascending');
    else th.removeAttribute('aria-sort');
  }
}

function buildLimits() {
  const form = document.getElementById('limit-fields');
  form.replaceChildren(...LIMITS.map((limit) => {
    const label = document.createElement('label');
    const input = document.createElement('input');
    input.type = 'number';
    input.min = '0';
    input.step = '1';
    input.id = `max-${limit.id}`;
    input.value = String(limits[limit.id]);
    input.addEventListener('change', () => {
      const given = seconds(input.value);
      if (given === null) {
        input.value = String(limits[limit.id]);
        return;
      }
      limits[limit.id] = given;
      store();
      writeView();
      tick();
    });
    label.append(`${limit.label} (s, 0: none)`, input);
    return label;
  }));
}

function setWall(on) {
  view.wall = on;
  document.body.classList.toggle('wall', on);
  document.getElementById('wall').setAttribute('aria-pressed', String(on));
  rowHeight = parseFloat(getComputedStyle(document.body).getPropertyValue('--row')) || 30;
}

// The view changed: placed, counted and written to the address again.
function changeView() {
  writeView();
  showSort();
  refilter();
}

function showView() {
  setWall(view.wall);
  document.body.classList.toggle('no-contacts', !view.contacts);
  showSort();
  document.getElementById('search').value = view.q;
  for (const limit of LIMITS) document.getElementById(`max-${limit.id}`).value = String(limits[limit.id]);
  choicesChanged = true;
}

buildHeader();
buildLimits();
readView(new URLSearchParams(location.hash.slice(1)));
showView();
writeView();
window.addEventListener('hashchange', () => {
  const params = new URLSearchParams(location.hash.slice(1));
  const contacts = view.contacts;
  readView(params);
  writeView();
  showView();
  refilter();
  const given = params.get('token');
  const newToken = Boolean(given) && given !== token;
  if (newToken) token = given;
  if (newToken || contacts !== view.contacts) connect();
});
for (const id of ['team', 'site']) {
  document.getElementById(id).addEventListener('change', (event) => {
    view[id] = event.target.value;
    changeView();
  });
}
document.getElementById('search').addEventListener('input', (event) => {
  view.q = event.target.value.trim().toLowerCase();
  changeView();
});
document.getElementById('wall').addEventListener('click', () => {
  setWall(!view.wall);
  writeView();
  layoutChanged = true;
  queueFrame();
});
document.addEventListener('keydown', (event) => {
  if (event.key === 'Escape' && view.wall) document.getElementById('wall').click();
});
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
