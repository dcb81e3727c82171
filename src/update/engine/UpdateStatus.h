#pragma once

#include <string>

namespace lw {

// The numbered messages of an update run. 909 to 911 are question texts and carry no codes;
// 944 is never reported. 951 (status code 16) refuses an update that would change an
// installed copy; 952 refuses what an unsigned control file may not do, 953 a transfer or an
// unpacking past its limit, 954 a run stopped by an unexpected failure.
enum TUpdateStatusId : int {
  usAskDownloadFile = 909,
  usAskDownloadFiles = 910,
  usAskRestart = 911,
  usSameSourceAndTarget = 912,
  usCopySourceMissing = 913,
  usZeroLengthSource = 914,
  usDownload = 915,
  usHttpStatus = 916,
  usUrlNotFound = 917,
  usCheckingConnection = 918,
  usPromptDial = 919,
  usDialling = 920,
  usConnected = 921,
  usNoSession = 922,
  usFtpConnect = 923,
  usFtpConnectFailed = 924,
  usControlNotFound = 925,
  usControlFound = 926,
  usInvalidSignature = 927,
  usDateUpdate = 928,
  usNewVersion = 929,
  usNoNewVersion = 930,
  usChecksumUpdate = 931,
  usSizeUpdate = 932,
  usVersionUpdate = 933,
  usMessage = 934,
  usHtmlDialog = 935,
  usQuery = 936,
  usWhatsNew = 937,
  usWhatsNewRefused = 938,
  usEula = 939,
  usEulaRefused = 940,
  usRedirection = 941,
  usShowUrl = 942,
  usFileUpdate = 943,
  usVersionCheck = 944,
  usDownloadUpdate = 945,
  usDownloadFailed = 946,
  usCabFailed = 947,
  usFinished = 948,
  usClosed = 949,
  usUpdaterFailed = 950,
  usInstalledCopy = 951,
  usRefusedUnsigned = 952,
  usTooLarge = 953,
  usStopped = 954,
};

// A message: text (with one "%s" at most), the kind of the message (status code) and its
// usual error code.
struct TUpdateStatusText {
  int Id;
  const char* Text;
  int StatusCode;
  int ErrorCode;
};

// The message with this id; a message "Unknown status <id>" with codes 0 for an unknown id.
TUpdateStatusText UpdateStatusText(int id);
// The text with its "%s" replaced by `arg` (the text alone when it has none).
std::string FormatUpdateStatus(int id, const std::string& arg);

}  // namespace lw
