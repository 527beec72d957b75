#include "ui/common/start_banner.h"

#include <cstring>

#include "config/profile.h"
#include "config/settings.h"
#include "config/version.h"
#include "log/run_log.h"
#include "text/text_cut.h"
#include "ui/common/front_end_messages.h"

namespace {

constexpr char kMaskingVariable[] = "Dorventhal";
constexpr char kNoAddress[] = "0.0.0.0";

// One machine name for the banner: the platform's name, or kBannerUnknownName when it has none.
void ReadName(bool (*reader)(char*, size_t), char* out, size_t size) {
  if (reader == nullptr || !reader(out, size) || out[0] == '\0') CopyText(kBannerUnknownName, out, size);
}

}  // namespace

bool MaskingEnabled() {
  char value[64];
  if (!platform::GetEnvironment(kMaskingVariable, value, sizeof value)) return false;
  return LeadingInteger(value) == 1;
}

int MaskText(char* text) {
  int length = static_cast<int>(std::strlen(text));
  if (!MaskingEnabled()) return length;
  for (char* p = text; *p != '\0'; ++p) {
    if (*p != '.' && *p != '-') *p = '*';
  }
  return length;
}

int GetNetworkAddress(char* out, size_t size) {
  int result = platform::Current().hostAddress(out, size);
  if (result == platform::kAddressOk) return 0;
  CopyText(kNoAddress, out, size);
  if (result == platform::kSocketsUnavailable) {
    platform::ShowMessage(nullptr, kSocketsFailed, kSocketsFailedTitle, platform::BoxIcon::kError);
  }
  return -1;
}

int WriteStartBanner(platform::WindowHandle owner) {
  char system[64];
  platform::SystemName(system, sizeof system);
  FormatLog(kBannerLine1Format, kBannerApplication, system);
  EmitLogLine(owner, kLogPlain);
  FormatLog(kBannerLine2Format, kBannerProduct, version::kYear, version::kMajor, version::kMinor);
  EmitLogLine(owner, kLogPlain);
  FormatLog(kBannerNoticeFormat, gNoticeLine);
  EmitLogLine(owner, kLogPlain);
  FormatLog("%s", kBannerRule);
  EmitLogLine(owner, kLogPlain);

  platform::LocalTime now{};
  platform::GetLocalTimeNow(&now);
  FormatLog(kBannerTimeFormat, now.year, now.month, now.day, now.hour, now.minute);
  EmitLogLine(owner, kLogPlain);

  char host[kNameField];
  ReadName(platform::Current().computerName, host, sizeof host);
  MaskText(host);
  FormatLog(kBannerHostFormat, host);
  EmitLogLine(owner, kLogPlain);

  char address[kAddressField];
  GetNetworkAddress(address, sizeof address);
  MaskText(address);
  FormatLog(kBannerAddressFormat, address);
  EmitLogLine(owner, kLogPlain);

  char user[kNameField];
  ReadName(platform::Current().userName, user, sizeof user);
  MaskText(user);
  FormatLog(kBannerUserFormat, user);
  EmitLogLine(owner, kLogPlain);

  FormatLog("%s", kBannerRule);
  EmitLogLine(owner, kLogPlain);
  return 0;
}
