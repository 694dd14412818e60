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
'use strict';

const ROUTING_STATES = ['Available', 'Work', 'Unavailable', 'Logoff', 'Unknown'];
const MEDIA = ['Voice', 'Callback', 'Email', 'Web Chat', 'OpenMedia'];

const users = new Map();
let token = new URLSearchParams(location.hash.slice(1)).get('token') || '';
// Out of the address bar, the history and any screenshot of the wall.
if (location.hash) history.replaceState(null, '', location.pathname + location.search);
let source = null;
let renderQueued = false;
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

function loggedOnMedia(user) {
  return (user.media || []).filter((m) => nameOf(m.state) !== 'Logoff').map((m) => nameOf(m.medium));
}

function selected() {
  return { team: document.getElementById('team').value, site: document.getElementById('site').value };
}

function visible(user, filter) {
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

function cell(row, text, className) {
  const td = row.insertCell();
  td.textContent = text;
  if (className) td.className = className;
  return td;
}

function tiles(id, labels, counts, className) {
  const section = document.getElementById(id);
  section.replaceChildren(...labels.map((label) => {
    const tile = document.createElement('div');
    tile.className = `tile ${className || label}`;
    tile.dataset.label = label;
    const count = document.createElement('div');
    count.className = 'count';
    count.textContent = counts.get(label) || 0;
    const caption = document.createElement('div');
    caption.className = 'label';
    caption.textContent = label;
    tile.append(count, caption);
    return tile;
  }));
}

function fillChoices(id, values) {
  const select = document.getElementById(id);
  const chosen = select.value;
  const options = [...values].sort((a, b) => a - b).map((value) => new Option(String(value), String(value)));
  select.replaceChildren(new Option('All', ''), ...options);
  select.value = [...values].map(String).includes(chosen) ? chosen : '';
}

function render() {
  renderQueued = false;
  fillChoices('team', new Set([...users.values()].map((u) => u.teamKey)));
  fillChoices('site', new Set([...users.values()].map((u) => u.siteKey)));
  const filter = selected();
  const shown = [...users.values()].filter((u) => visible(u, filter)).sort((a, b) => a.userKey - b.userKey);
  const byState = new Map();
  const byMedium = new Map();
  for (const user of shown) {
    const state = nameOf(user.routingState && user.routingState.state);
    byState.set(state, (byState.get(state) || 0) + 1);
    for (const medium of loggedOnMedia(user)) byMedium.set(medium, (byMedium.get(medium) || 0) + 1);
  }
  tiles('routing-tiles', ROUTING_STATES, byState);
  tiles('media-tiles', MEDIA, byMedium, 'medium');
  const body = document.querySelector('#agents tbody');
  body.replaceChildren();
  for (const user of shown) {
    const row = body.insertRow();
    const state = nameOf(user.routingState && user.routingState.state);
    row.dataset.userKey = user.userKey;
    row.dataset.state = state;
    cell(row, user.userId);
    cell(row, user.userKey);
    cell(row, user.teamKey);
    cell(row, user.siteKey);
    cell(row, state, 'state');
    cell(row, elapsed(user.routingState && user.routingState.startTime), 'time').dataset.since =
        (user.routingState && user.routingState.startTime) || '';
    cell(row, loggedOnMedia(user).join(', '), 'media');
  }
}

function queueRender() {
  if (!renderQueued) {
    renderQueued = true;
    requestAnimationFrame(render);
  }
}

function tick() {
  showAge();
  for (const td of document.querySelectorAll('#agents td.time')) td.textContent = elapsed(td.dataset.since);
}

function onSnapshot(event) {
  users.clear();
  for (const user of JSON.parse(event.data).users) users.set(user.userKey, user);
  queueRender();
}

function onChange(event) {
  const change = JSON.parse(event.data);
  if (change.kind === 'removed') users.delete(change.userKey);
  else if (change.kind === 'added' || !users.has(change.userKey)) users.set(change.userKey, change.user);
  else Object.assign(users.get(change.userKey), change.user);
  queueRender();
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
  const url = '/v1/stream' + (token ? `?access_token=${encodeURIComponent(token)}` : '');
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

document.getElementById('team').addEventListener('change', render);
document.getElementById('site').addEventListener('change', render);
setInterval(tick, 1000);
connect();
