#include "ui/common/batch_parameters.h"

#include <cstdio>
#include <cstring>

#include "config/profile.h"
#include "log/run_log.h"
#include "text/text_cut.h"
#include "ui/common/front_end_messages.h"

namespace {

struct ParameterKey {
  const char* numbered;
  const char* named;
  size_t field;            // the value holds at most field - 1 bytes
  const char* missing;     // message when both keys are empty
};

constexpr ParameterKey kNcFileKey{"PARAMETER1", "NCFILE1", kParameterPathField, kBatchNoNcFile};
constexpr ParameterKey kTimeKey{"PARAMETER2", "TIME", kParameterValueField, kBatchNoTime};
constexpr ParameterKey kDistanceKey{"PARAMETER3", "DIST", kParameterValueField, kBatchNoDistance};
constexpr ParameterKey kStartKeys[3] = {
    {"PARAMETER4", "STARTX", kParameterValueField, nullptr},
    {"PARAMETER5", "STARTY", kParameterValueField, nullptr},
    {"PARAMETER6", "STARTZ", kParameterValueField, nullptr},
};
constexpr ParameterKey kModeKey{"PARAMETER7", "BATCH", kParameterValueField, nullptr};
// Keys of their own only (the numbered key is never given a value).
constexpr ParameterKey kSeamKey{"SEAM", "SEAM", kParameterValueField, nullptr};
constexpr ParameterKey kSizeKey{"SIZE", "SIZE", kParameterValueField, nullptr};
constexpr ParameterKey kPiecesKey{"PIECES", "PIECES", kParameterValueField, nullptr};

enum ParameterRead {
  kParameterFound = 0,
  kParameterMissing = -1,
  kParameterTooLong = -2,
};

// Reads one parameter whole (the profile reader's longest line, so no value is cut here).
// `usedKey` names the key whose value was taken.
int ReadWhole(const char* file, const ParameterKey& key, char* value, size_t size, const char** usedKey) {
  value[0] = '\0';
  *usedKey = key.numbered;
  if (file == nullptr || file[0] == '\0') return 0;
  int length = ReadProfileText(file, kParameterSection, key.numbered, value, size);
  if (length > 0) return length;
  *usedKey = key.named;
  return ReadProfileText(file, kParameterSection, key.named, value, size);
}

// Reads `key` into `out` (a field of key.field bytes). Emits the missing or too-long error.
int ReadRequired(platform::WindowHandle owner, const char* file, const ParameterKey& key, char* out) {
  char value[kProfileLineSize];
  const char* usedKey = nullptr;
  int length = ReadWhole(file, key, value, sizeof value, &usedKey);
  if (length <= 0) {
    FormatLog("%s", key.missing);
    EmitLogLine(owner, kLogError);
    return kParameterMissing;
  }
  if (static_cast<size_t>(length) > key.field - 1) {
    FormatLog(kBatchValueTooLong, usedKey, static_cast<int>(key.field - 1));
    EmitLogLine(owner, kLogError);
    return kParameterTooLong;
  }
  CopyText(std::string_view(value, static_cast<size_t>(length)), out, key.field);
  return kParameterFound;
}

// Reads an optional `key` into `out` (a field of key.field bytes): "" when it has no value.
// Emits the too-long error.
int ReadOptional(platform::WindowHandle owner, const char* file, const ParameterKey& key, char* out) {
  char value[kProfileLineSize];
  const char* usedKey = nullptr;
  int length = ReadWhole(file, key, value, sizeof value, &usedKey);
  out[0] = '\0';
  if (length <= 0) return kParameterFound;
  if (static_cast<size_t>(length) > key.field - 1) {
    FormatLog(kBatchValueTooLong, usedKey, static_cast<int>(key.field - 1));
    EmitLogLine(owner, kLogError);
    return kParameterTooLong;
  }
  std::memcpy(out, value, static_cast<size_t>(length) + 1);
  return kParameterFound;
}

}  // namespace

int ReadBatchParameters(platform::WindowHandle owner, const char* parameterFile, BatchParameters* parameters) {
  std::memset(parameters, 0, sizeof *parameters);

  if (ReadRequired(owner, parameterFile, kNcFileKey, parameters->ncFile) != kParameterFound) return kBatchParametersRefused;
  if (!platform::FileExists(parameters->ncFile)) {
    FormatLog(kBatchNcFileMissing, parameters->ncFile);
    EmitLogLine(owner, kLogError);
    return kBatchParametersRefused;
  }
  if (ReadRequired(owner, parameterFile, kTimeKey, parameters->time) != kParameterFound) return kBatchParametersRefused;
  if (ReadRequired(owner, parameterFile, kDistanceKey, parameters->distance) != kParameterFound) return kBatchParametersRefused;
  for (int axis = 0; axis < 3; ++axis) {
    if (ReadOptional(owner, parameterFile, kStartKeys[axis], parameters->start[axis]) != kParameterFound) return kBatchParametersRefused;
  }

  if (ReadOptional(owner, parameterFile, kSeamKey, parameters->seam) != kParameterFound) return -1;
  if (ReadOptional(owner, parameterFile, kSizeKey, parameters->size) != kParameterFound) return -1;
  if (ReadOptional(owner, parameterFile, kPiecesKey, parameters->pieces) != kParameterFound) return -1;

  // The run-mode word is optional; a word longer than its field is cut (no cut of another word
  // can turn it into "BATCH").
  if (parameterFile != nullptr && parameterFile[0] != '\0') {
    if (ReadProfileText(parameterFile, kParameterSection, kModeKey.numbered, parameters->mode,
                        sizeof parameters->mode) == 0) {
      ReadProfileText(parameterFile, kParameterSection, kModeKey.named, parameters->mode, sizeof parameters->mode);
    }
  }
  return kBatchParametersRead;
}
