// What the desktop notifications of a run say: that it waits for an answer to one of its
// messages, and how it ended (samples stored, END, and why the policy cancelled it).
#pragma once

#include <string>

#include "document/dia_doc.h"

namespace tarvos {

struct RunNotice {
    std::string title;
    std::string body;
};

// The message box's text, its lines joined into one.
RunNotice WaitingNotice(const std::string& messageText);
// `cancelledBecause`: empty, or why the instrument-error policy cancelled the run.
RunNotice EndedNotice(const C_KVR_DiaDoc& doc, const std::string& cancelledBecause);

}  // namespace tarvos
