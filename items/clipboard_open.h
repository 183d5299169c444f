// Opening the shared clipboard. Clipboard managers and other programs hold it
// for a few milliseconds at a time, so one refusal is no reason to give up.
#pragma once

// How long a refusal is tried again, and the pause between the attempts.
constexpr unsigned long kClipboardPatienceMs = 250;
constexpr unsigned long kClipboardPauseMs = 10;

// Opens the clipboard with no owner window, retrying for about a quarter of
// a second; true when it is open and must be closed by the caller.
bool OpenClipboardPatiently();
