// lpctool new DIR: a project folder with a project ini that explains every key, so an author
// starts from a file that says what each number means instead of from a guess.
#include <filesystem>
#include <iostream>
#include <memory>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "command.h"

namespace lpctool {
namespace {

namespace fs = std::filesystem;

// Values are the ones a project gets when a key is left out; lines starting with ";" are
// comments. %s is the product name.
constexpr const char* kProjectTemplate = R"(; Project of an LPCSaver screensaver, read by `lpctool pack --project`.
; Lines starting with ";" are comments. A key left out takes the default shown here.
; Switches are 1 (on) or 0 (off). Numbers may also be written 0x1E or $1E.

[General]
; ProductName: name of the screensaver: the configuration window's title, and what
; "<ScreensaverName>" stands for in the UI description's texts.
ProductName=%s
; Publisher: who made it; what "<CompanyName>" stands for. Default: empty.
Publisher=
; Website: web address; what "<Website>" stands for. Default: empty.
Website=

[Default]
; These are the screensaver's defaults; a user can change Stretch/Proportional, Speed, Sound,
; Music, Transition, Duration and ShowImageMode in its settings dialog.
;
; Stretch: 1 scales every picture to the screen (default 1); 0 shows it at its own size,
; centred and cropped when larger than the screen.
Stretch=1
; Proportional: with Stretch=1, 1 keeps the picture's shape (black bars where it does not fill
; the screen), 0 fills the whole screen and stretches every picture whose shape is not the
; screen's (a portrait photograph on a wide screen comes out 2.7 times too wide; pack notes
; each picture this changes by more than 10 %%). Default 0; this project keeps shapes.
Proportional=1
; Sound: 1 plays the sound a packed image (.lpp) names while it shows (default 1).
Sound=1
; Random: 1 changes pictures automatically every Duration seconds (default 1).
; TRAP: despite its name this is NOT the order. Random=0 means the first picture stays for
; the whole run. For pictures in the order given to `pack`, keep Random=1 and set
; ShowImageMode=1.
Random=1
; Duration: seconds each picture stays, counted after it has fully appeared (default 30).
; The settings dialog offers 5 to 9999; 0 would change the picture on every frame.
Duration=30
; Transition: 1 fades from one picture to the next over about 2 seconds (default 1);
; 0 cuts through black.
Transition=1
; Zoom: kept in the file; the screensaver does not zoom (default 0).
Zoom=0
; LivingZoom: kept like Zoom (default 0).
LivingZoom=0
; ZoomDuration: seconds, kept like Zoom (default 5).
ZoomDuration=5
; AutoWallpaper: kept in the file, nothing acts on it (default 0).
AutoWallpaper=0
; Speed: how fast water and weather move, in percent (default 100).
; TRAP: use a value of the speed table, which the settings dialog's slider steps through:
; 10, 20, 30, 45, 50, 60, 70, 75, 80, 90, 100, 120, 140, 160, 180, 200, 220, 240, 360, 480, 500.
; 0 stops the water.
Speed=100
; Music: 1 plays MusicFile in the background (default 1).
Music=1
; Animation: kept in the file, nothing acts on it (default 1).
Animation=1
; ShowImageMode: the order of pictures (default 0):
;   0  all pictures, random order (never the same picture twice in a row)
;   1  all pictures, in the order given to `pack`
;   2  the pictures the user ticked in the configuration window, random order
;   3  one picture only, the one the user selected (the first until then): never changes
; The order only matters with Random=1.
ShowImageMode=0

[Advance]
; PreviewFile: picture drawn in the small preview of the system's screensaver settings
; (one of the content files; a bare file name). Default: empty.
PreviewFile=
; MusicFile: background music, one or more content files separated by ";"
; (for example song1.mid;song2.mp3). Bare file names. Default: empty.
MusicFile=
; MusicMode: 0 plays the music files in random order, 1 in the order given (default 0).
MusicMode=0

[UI]
; UIFile: the UI description (.lui) the configuration window is built from, relative to this
; file. Empty: `pack --ui FILE` names it, or lpctool's built-in description serves where
; this lpctool carries one (pack says so when it does not).
; See docs/ui-description.md.
UIFile=
)";

struct NewOptions {
  std::string dir;
  std::string name;
  bool force = false;
};

void Run(const NewOptions& o) {
  const fs::path dir = lpc::FsPath(o.dir);
  const fs::path ini = dir / "project.ini";
  std::error_code ec;
  if (fs::exists(ini, ec) && !o.force) {
    throw lpc::Error(lpc::PathText(ini) +
                     ": already exists; nothing was changed (--force replaces it)");
  }
  fs::create_directories(dir, ec);
  if (!fs::is_directory(dir)) throw lpc::IOError(o.dir + ": cannot create the folder");
  std::string name = o.name;
  if (name.empty()) name = lpc::PathText(fs::absolute(dir).lexically_normal().filename());
  if (name.empty()) name = "My screensaver";
  std::string text = lpc::Format(kProjectTemplate, name.c_str());
  // The author edits this file with the platform's tools (sed, grep), so it has the platform's
  // line ends; pack reads both kinds and stores the settings in the package the same either way.
#ifdef _WIN32
  std::string crlf;
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  text = std::move(crlf);
#endif
  lpc::WriteFileAtomic(lpc::PathText(ini), text);
  std::cout << "wrote " << lpc::PathText(ini) << "\n"
            << "next:\n"
            << "  1. edit it (every key is explained there)\n"
            << "  2. lpctool lpp -o " << ShellWord(lpc::PathText(dir / "sea.lpp"))
            << " --picture sea.jpg --mask sea-mask.png --wave 1   (for pictures with water)\n"
            << "  3. lpctool pack -o " << ShellWord(lpc::PathText(dir / lpc::FsPath(name + ".scr")))
            << " --project " << ShellWord(lpc::PathText(ini)) << " --ui FILE.lui PICTURES...\n"
            << "  4. lpctool info, lpctool render, lpctool install (see docs/authoring.md)\n";
}

void Setup(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "new", "Start a screensaver project: DIR/project.ini with every key, its meaning, unit, "
             "range and default explained");
  cmd->alias("init");
  auto o = std::make_shared<NewOptions>();
  cmd->add_option("DIR", o->dir, "Project folder (created when missing)")->required();
  cmd->add_option("--name", o->name, "ProductName (default: the folder's name)");
  cmd->add_flag("--force", o->force, "Replace an existing project.ini");
  cmd->callback([o] { Run(*o); });
}

}  // namespace

LPCTOOL_COMMAND("new", Setup);

}  // namespace lpctool
