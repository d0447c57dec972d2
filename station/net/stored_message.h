#pragma once
// Turns a received message into the teleprinter-ready file the station
// sends: the From, To, Subject and Date lines, an empty line, the body
// (optionally wrapped), and the end-of-message marker "NNNN".

#include <string>
#include <string_view>

#include "station/net/text_mode_file.h"

namespace kestrix {

struct StoredMessageOptions {
  bool autoLineLength = false;      // wrap body lines longer than the printer's line
  bool useSubjectFileName = false;  // work out the subject's file name
};

struct StoredMessageHeaders {
  bool sawSubject = false;
  std::string subjectName;  // the file name of the last Subject line
};

// Reads the raw message (as text) and writes the stored file (as text).
StoredMessageHeaders WriteStoredMessage(TextModeReader& raw, TextModeWriter& stored,
                                        const StoredMessageOptions& options);

// Every "_" becomes a blank.
void UnderscoresToBlanks(std::string& text);

// A subject as a file name: at most 58 characters, blanks as "_", every
// character that a file name should not hold as "$", then ".txt".
void SubjectToFileName(std::string& text);

}  // namespace kestrix
