// The wallboard's reader of the event stream, off the page's main thread:
// parsing a snapshot of tens of thousands of agents takes seconds, which
// the page would spend frozen. Here the stream's JSON becomes one small
// row an agent, and the page gets only the rows that changed: a snapshot
// in chunks it can take in a few milliseconds each, then the changes
// gathered over a frame.
//
// The snapshot is parsed by a second worker (this script again, by name),
// so that the reader goes on taking the stream meanwhile: a reader that
// stopped for seconds would let the gateway's queue for it overflow, and
// the gateway would end the stream. Changes that come meanwhile wait and
// are applied on top.
'use strict';

const PARSER = 'wallboard-snapshot-parser';
// Rows an agent in each message of a snapshot.
const CHUNK = 2000;
// How long changes gather before they go to the page.
const BATCH_MS = 16;
// Changes held while a snapshot is parsed, at most: past it the page
// starts afresh rather than hold an endless backlog.
const MAX_HELD = 200000;

function nameOf(named) {
  return named ? (named.name !== null && named.name !== undefined ? String(named.name) : String(named.value)) : '';
}

function timeOf(text) {
  const time = typeof text === 'string' ? Date.parse(text) : NaN;
  return Number.isFinite(time) ? time : 0;
}

// What the page shows of an agent, from the parts `user` holds over what
// `before` showed; `at` is when the change reached the browser, for the
// page's measure of its own lag. Throws on a user without a key.
function merge(before, user, at) {
  if (!user || !Number.isSafeInteger(user.userKey)) throw new Error('a user without a key');
  const row = before ? { ...before } : { key: user.userKey, id: '', team: 0, site: 0, state: 'Unknown', reason: 0,
                                         since: 0, media: [], wrapup: 0, contact: 0 };
  if (user.userId !== undefined) row.id = String(user.userId);
  if (Number.isSafeInteger(user.teamKey)) row.team = user.teamKey;
  if (Number.isSafeInteger(user.siteKey)) row.site = user.siteKey;
  const routing = user.routingState;
  if (routing) {
    row.state = nameOf(routing.state) || 'Unknown';
    row.reason = Number.isSafeInteger(routing.reason) ? routing.reason : 0;
    row.since = timeOf(routing.startTime);
  }
  if (Array.isArray(user.media))
    row.media = user.media.filter((m) => m && nameOf(m.state) !== 'Logoff').map((m) => nameOf(m.medium));
  // The gateway's summary of the contacts: since when on one, and in
  // post-processing; null for not.
  const contacts = user.contacts;
  if (contacts) {
    row.contact = timeOf(contacts.contactSince);
    row.wrapup = timeOf(contacts.postProcessingSince);
  }
  row.at = at;
  return row;
}

function parser() {
  onmessage = (event) => {
    const { serial, text, at } = event.data;
    try {
      const list = JSON.parse(text).users;
      if (!Array.isArray(list)) throw new Error('no users');
      postMessage({ serial, rows: list.map((user) => merge(null, user, at)) });
    } catch (e) {
      postMessage({ serial, error: e.message });
    }
  };
}

function reader() {
  let rows = new Map();
  // Rows changed since the last batch; null for an agent removed.
  const pending = new Map();
  let batchQueued = false;
  let source = null;
  // The snapshot being parsed (0: none), and the changes that wait for it.
  let serial = 0;
  let parsing = 0;
  let held = [];
  const snapshots = new Worker('wallboard-worker.js', { name: PARSER });

  function sendBatch() {
    batchQueued = false;
    const changed = [];
    const removed = [];
    for (const [key, row] of pending) {
      if (row) changed.push(row);
      else removed.push(key);
    }
    pending.clear();
    if (changed.length || removed.length) postMessage({ type: 'rows', rows: changed, removed });
  }

  function queueBatch() {
    if (!batchQueued) {
      batchQueued = true;
      setTimeout(sendBatch, BATCH_MS);
    }
  }

  function apply(change, at) {
    const key = change.userKey;
    if (change.kind === 'removed') {
      if (rows.delete(key)) pending.set(key, null);
      return;
    }
    const before = change.kind === 'added' ? undefined : rows.get(key);
    const row = merge(before, change.user, at);
    rows.set(row.key, row);
    pending.set(row.key, row);
  }

  snapshots.onmessage = (event) => {
    if (event.data.serial !== parsing) return;
    parsing = 0;
    if (event.data.error) {
      held = [];
      postMessage({ type: 'broken', what: `snapshot: ${event.data.error}`, snapshot: true });
      return;
    }
    rows = new Map(event.data.rows.map((row) => [row.key, row]));
    for (const { change, at } of held) {
      try {
        apply(change, at);
      } catch (e) {
        postMessage({ type: 'broken', what: `change: ${e.message}` });
      }
    }
    held = [];
    pending.clear();
    postMessage({ type: 'reset' });
    const all = [...rows.values()];
    for (let start = 0; start < all.length || start === 0; start += CHUNK)
      postMessage({ type: 'snapshot', rows: all.slice(start, start + CHUNK), last: start + CHUNK >= all.length });
  };

  function onSnapshot(event) {
    parsing = ++serial;
    held = [];
    snapshots.postMessage({ serial, text: event.data, at: Date.now() });
  }

  function onChange(event) {
    const at = Date.now();
    try {
      const change = JSON.parse(event.data);
      if (!parsing) {
        apply(change, at);
        queueBatch();
      } else if (held.push({ change, at }) > MAX_HELD) {
        parsing = 0;
        held = [];
        postMessage({ type: 'reload' });
      }
    } catch (e) {
      postMessage({ type: 'broken', what: `change: ${e.message}` });
    }
  }

  function open(url) {
    if (source) source.close();
    parsing = 0;
    held = [];
    source = new EventSource(url);
    source.addEventListener('snapshot', onSnapshot);
    source.addEventListener('change', onChange);
    source.addEventListener('status', (event) => {
      try {
        postMessage({ type: 'status', status: JSON.parse(event.data) });
      } catch (e) {
        postMessage({ type: 'broken', what: `status: ${e.message}` });
      }
    });
    source.addEventListener('reload', () => postMessage({ type: 'reload' }));
    source.onopen = () => postMessage({ type: 'link', state: 'open' });
    source.onerror = () => postMessage({ type: 'link', state: source.readyState === EventSource.CLOSED ? 'closed' : 'error' });
  }

  onmessage = (event) => {
    if (event.data.open) {
      open(event.data.open);
    } else if (event.data.close && source) {
      source.close();
      source = null;
      parsing = 0;
      held = [];
    }
  };
}

if (self.name === PARSER) parser();
else reader();
