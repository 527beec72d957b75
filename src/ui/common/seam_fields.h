// The seam policy and the size limit of a split as the main window offers them: a choice of the
// three policies and a field of kilobytes, beside the split time and distance.
//
//  * The window shows SEAM and SIZE of [COMMAND] when it opens and whenever its fields are
//    cleared (Clear, a split that wrote its pieces), as it shows the time and distance empty.
//    It never writes them back: the settings file is the user's.
//  * Execute hands what the window shows to the split as the job's own policy and size, as the
//    batch parameter file does, so they win over [COMMAND]. A SEAM the window cannot show (a word
//    other than cut, break and tool) leaves no choice made; the split then refuses the setting,
//    naming it, until a policy is chosen.
//  * The size is whole KB, 0 or an empty field for none; any other text is refused with the
//    split's own message before anything runs.
#pragma once

#include <cstddef>

#include "platform/platform.h"
#include "split/split_job.h"

// The choices in the order the window lists them (their index is SeamPolicy: cut, break, tool).
inline constexpr int kSeamChoiceCount = 3;
inline constexpr int kNoSeamChoice = -1;

// The label the window shows for choice `index` (CP932), "" outside 0 .. kSeamChoiceCount - 1.
const char* SeamChoiceLabel(int index);

// The policy's word for the split ("cut", "break", "tool"), nullptr outside the choices.
const char* SeamChoiceWord(int index);

inline constexpr size_t kSizeFieldSize = 16;

// What the two controls show: the choice's index (kNoSeamChoice: none) and the size field's text.
struct SeamFields {
  int choice;
  char size[kSizeFieldSize];
};

// The fields as gCommandSettings holds SEAM and SIZE: the policy's choice (kNoSeamChoice for a
// word the split refuses) and SIZE in KB as a decimal text. Returns the fields.
SeamFields SettingsSeamFields();

enum SeamFieldsResult {
  kSeamFieldsReady = 0,     // `job` holds the policy and the size
  kSeamFieldsRefused = -1,  // an error line (level -1, box owned by `owner`) says why
};

// Reads `fields` into `job`: its `seam` points at the choice's word (nullptr with no choice: the
// split takes SEAM of [COMMAND]), its `maxSize` at `fields.size`, or at "0" when the field holds
// only blanks. `fields` must outlive the split. A size that is not a whole number of KB from 0 to
// 1000000 is refused with kSizeLimitInvalid quoting the text. Returns a SeamFieldsResult.
int ReadSeamFields(platform::WindowHandle owner, const SeamFields& fields, SplitJob* job);
