#pragma once
// The demo's chapter of the presence mirror: a mirror of every agent of a
// simulator on a loopback tcp port, reached through a relay whose link is
// cut while agents change and then restored; the mirror then equals a
// fresh query of every agent, from the events sent again and without a
// query of its own.

namespace zelctl {

// 0 when the mirror came through as the chapter tells, 1 otherwise (one
// line on standard error says what went wrong).
int RunMirrorChapter();

}  // namespace zelctl
