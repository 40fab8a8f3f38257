// lpctool info FILE [--json]: what a screensaver package, a packed image, a UI description or
// an object text holds.
#include <fstream>
#include <iostream>
#include <memory>

#include "base/paths.h"
#include "command.h"
#include "info_forms.h"
#include "package/packed_image.h"
#include "package_info.h"

namespace lpctool {
namespace {

struct InfoOptions {
  std::string file;
  bool json = false;
};

bool StartsWithSignature(const std::string& path) {
  std::ifstream in(lpc::FsPath(path), std::ios::binary);
  char head[lpc::kPackedImageSignatureLength] = {};
  in.read(head, sizeof head);
  return in.gcount() == sizeof head &&
         std::string(head, sizeof head) == lpc::kPackedImageSignature;
}

ordered_json Describe(const std::string& path) {
  const std::string ext = lpc::UpperFileExt(path);
  if (ext == ".LPP" || StartsWithSignature(path)) return DescribePackedImage(path);
  if (ext == ".LUI") {
    ordered_json j;
    j["File"] = path;
    j["Kind"] = "UI description";
    j["Description"] = DescribeUiDescription(path);
    return j;
  }
  if (ext == ".DFM" || ext == ".LFM" || ext == ".FMX" || ext == ".TXT") {
    ordered_json j;
    j["File"] = path;
    j["Kind"] = "object text";
    j["Object"] = DescribeObjectText(path);
    return j;
  }
  return DescribePackage(path);
}

void Run(const InfoOptions& o) {
  const ordered_json j = Describe(o.file);
  if (o.json) {
    std::cout << j.dump(2) << "\n";
  } else {
    PrintReadable(j, std::cout);
  }
}

void Setup(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "info",
      "Describe a file: a screensaver (its package records, project settings, file list and "
      "content files), a packed image (.lpp), a UI description (.lui) or an object text "
      "(.dfm, .lfm, .fmx, .txt)");
  auto o = std::make_shared<InfoOptions>();
  cmd->add_option("FILE", o->file, "File to describe")->required()->check(ExistingFile());
  cmd->add_flag("--json", o->json, "Print JSON instead of text");
  cmd->callback([o] { Run(*o); });
}

}  // namespace

LPCTOOL_COMMAND("info", Setup);

}  // namespace lpctool
