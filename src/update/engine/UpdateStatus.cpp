#include "UpdateStatus.h"

#include "strutil/StrUtil.h"

namespace lw {

namespace {

const TUpdateStatusText kTexts[] = {
    {909, "Download update file : ", 0, 0},
    {910, "Download update files ?", 0, 0},
    {911, "Shutdown application to update executable files ?", 0, 0},
    {912, "Equal source and target files : %s", 10, 3},
    {913, "File not found : %s", 2, 1},
    {914, "Zero length source file : %s", 10, 2},
    {915, "Download : %s", 3, 0},
    {916, "Http status : %s", 6, 0},
    {917, "File not found : %s", 2, 1},
    {918, "Checking for Internet connection", 3, 0},
    {919, "Prompt to open new Internet connection", 3, 0},
    {920, "Opening Internet connection", 3, 0},
    {921, "Found open Internet connection", 3, 0},
    {922, "Cannot open Internet connection", 1, 0},
    {923, "Connect to host : %s", 3, 3},
    {924, "Cannot connect to FTP host : %s", 1, 0},
    {925, "Update control file not found", 2, 0},
    {926, "Update control file found", 3, 0},
    {927, "Invalid signature in update control file", 11, 4},
    {928, "Date based update found", 3, 0},
    {929, "New version found : %s", 5, 0},
    {930, "No new version found", 4, 0},
    {931, "Checksum based update found", 3, 0},
    {932, "File size based update found", 3, 0},
    {933, "Version based update found", 3, 0},
    {934, "Found message instruction", 3, 0},
    {935, "Found HTML dialog instruction", 7, 0},
    {936, "Found query instruction", 3, 0},
    {937, "Found whatsnew instruction", 12, 0},
    {938, "Whatsnew not accepted", 14, 0},
    {939, "Found license agreement instruction", 13, 0},
    {940, "License agreement not accepted", 15, 0},
    {941, "Found URL redirection instruction", 3, 0},
    {942, "Found URL show instruction", 3, 0},
    {943, "Found file update instruction", 3, 0},
    {944, "Version check : %s", 0, 0},
    {945, "Download update : %s", 3, 0},
    {946, "Cannot download update file : %s", 2, 0},
    {947, "Error decompressing CAB file : %s", 8, 0},
    {948, "Finished processing update control file", 3, 0},
    {949, "Closed Internet connection", 3, 0},
    {950, "Failed to spawn updater process : %s", 9, 0},
    {951,
     "This update would change files in %s: an installed copy is updated by the system's "
     "package manager",
     16, 0},
    {952, "Refused, the update control file is not signed : %s", 1, 0},
    {953, "Too large : %s", 2, 0},
    {954, "Update stopped : %s", 1, 0},
};

}  // namespace

TUpdateStatusText UpdateStatusText(int id) {
  for (const TUpdateStatusText& t : kTexts)
    if (t.Id == id) return t;
  return {id, "Unknown status", 0, 0};
}

std::string FormatUpdateStatus(int id, const std::string& arg) {
  return Str_StrTran(UpdateStatusText(id).Text, "%s", arg);
}

}  // namespace lw
