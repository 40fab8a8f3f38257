// Draws the demo screensaver's content: sea scenes with their water region masks, a plain
// picture (also the preview), a looping surf sound and two short music tracks, plus the
// author's project ini. Everything is computed, so the demo carries no third-party media.
//
// Usage: make_demo_assets OUTPUT_FOLDER
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/bitmap.h"
#include "base/fileio.h"
#include "imaging/picture.h"
#include "package/packed_image.h"

namespace {

using lpc::Bitmap;
using lpc::Color;
using lpc::MakeColor;

constexpr int kWidth = 1024;
constexpr int kHeight = 576;
constexpr int kHorizon = kHeight / 2;
constexpr double kPi = 3.14159265358979323846;

// A small deterministic noise source, so every build draws the same pictures.
uint32_t Hash(uint32_t x, uint32_t y) {
  uint32_t h = x * 374761393u + y * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

int Mix(int a, int b, double t) { return static_cast<int>(std::lround(a + (b - a) * t)); }
Color MixColor(Color a, Color b, double t) {
  return MakeColor(Mix(lpc::RedOf(a), lpc::RedOf(b), t), Mix(lpc::GreenOf(a), lpc::GreenOf(b), t),
                   Mix(lpc::BlueOf(a), lpc::BlueOf(b), t));
}

struct Scene {
  Color sky_top, sky_bottom, sea_near, sea_far, land;
  int sun_x, sun_y, sun_r;
  Color sun;
  double hill_amp, hill_freq;
  bool cliff;  // land reaching down into the lower half on the left
};

// Height of the land line above the horizon at column x.
int HillTop(const Scene& s, int x) {
  return kHorizon - 20 -
         static_cast<int>(s.hill_amp * (0.6 + 0.4 * std::sin(x * s.hill_freq) +
                                        0.2 * std::sin(x * s.hill_freq * 3.1 + 1.3)));
}

// The cliff's right edge at row y (lower half only); -1 when the row has none.
int CliffEdge(const Scene& s, int y) {
  if (!s.cliff || y < kHorizon) return -1;
  return 260 - (y - kHorizon) / 3 + static_cast<int>(12 * std::sin(y * 0.05));
}

void Draw(const Scene& s, Bitmap& picture, Bitmap& mask) {
  picture.SetSize(kWidth, kHeight);
  mask.SetSize(kWidth, kHeight, 0);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      Color c;
      if (y < kHorizon) {
        c = MixColor(s.sky_top, s.sky_bottom, static_cast<double>(y) / kHorizon);
        const double d = std::hypot(x - s.sun_x, y - s.sun_y);
        if (d < s.sun_r) c = s.sun;
        if (y >= HillTop(s, x)) {
          const int shade = static_cast<int>(Hash(x / 3, y / 3) % 24);
          c = MakeColor(lpc::RedOf(s.land) + shade / 2, lpc::GreenOf(s.land) + shade,
                        lpc::BlueOf(s.land));
        }
      } else {
        // Sea: darker near the viewer, with bright wave crests in bands, so that every moved
        // row shows.
        const double depth = static_cast<double>(y - kHorizon) / (kHeight - kHorizon);
        c = MixColor(s.sea_far, s.sea_near, depth);
        const int band = (y - kHorizon) / (2 + static_cast<int>(depth * 10));
        if ((Hash(x / (8 + band % 5 * 4), band) & 7) == 0) c = MixColor(c, 0xFFFFFF, 0.45);
        if (std::abs(x - s.sun_x) < s.sun_r * (1.0 + depth * 2) && (band & 1)) {
          c = MixColor(c, s.sun, 0.5);  // the sun's glitter path
        }
        const int edge = CliffEdge(s, y);
        if (x < edge) {
          const int shade = static_cast<int>(Hash(x / 4, y / 4) % 30);
          c = MakeColor(lpc::RedOf(s.land) + shade, lpc::GreenOf(s.land) + shade,
                        lpc::BlueOf(s.land) + shade);
        } else {
          mask.At(x, y) = lpc::RegionToColor(1);
        }
      }
      picture.At(x, y) = c;
    }
  }
}

void SavePair(const std::string& folder, const std::string& name, const Scene& scene) {
  Bitmap picture, mask;
  Draw(scene, picture, mask);
  lpc::SavePicture(folder + "/" + name + ".png", picture);
  lpc::SavePicture(folder + "/" + name + "_mask.png", mask);
}

// A plain picture without water: a meadow under a summer sky.
Bitmap Meadow() {
  Bitmap b(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      Color c = MixColor(MakeColor(60, 120, 220), MakeColor(170, 210, 250),
                         static_cast<double>(y) / kHeight);
      const double hill = 330 + 60 * std::sin(x * 0.006) + 25 * std::sin(x * 0.017 + 2);
      if (y > hill) {
        const int shade = static_cast<int>(Hash(x / 2, y / 2) % 40);
        c = MakeColor(60 + shade, 150 + shade, 50);
        if ((Hash(x, y) % 97) == 0) c = MakeColor(250, 240, 90);  // flowers
      }
      if (std::hypot(x - 820, y - 110) < 50) c = MakeColor(255, 240, 180);
      b.At(x, y) = c;
    }
  }
  return b;
}

// 16-bit mono PCM.
void SaveWav(const std::string& path, const std::vector<int16_t>& samples, int rate) {
  auto u32 = [](std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  auto u16 = [](std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
  };
  const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
  std::string w = "RIFF";
  u32(w, 36 + data);
  w += "WAVEfmt ";
  u32(w, 16);
  u16(w, 1);
  u16(w, 1);
  u32(w, static_cast<uint32_t>(rate));
  u32(w, static_cast<uint32_t>(rate * 2));
  u16(w, 2);
  u16(w, 16);
  w += "data";
  u32(w, data);
  for (int16_t v : samples) u16(w, static_cast<uint16_t>(v));
  lpc::WriteFileBytes(path, w);
}

constexpr int kRate = 22050;

// Surf: low-passed noise swelling and falling like a wave on the shore; starts and ends
// quiet so the loop has no click.
std::vector<int16_t> Surf(double seconds) {
  const int n = static_cast<int>(seconds * kRate);
  std::vector<int16_t> out(static_cast<size_t>(n));
  double low = 0;
  for (int i = 0; i < n; ++i) {
    const double noise = static_cast<double>(Hash(static_cast<uint32_t>(i), 7) % 2001) / 1000 - 1;
    low += (noise - low) * 0.08;
    const double swell = std::pow(std::sin(kPi * i / n), 2);
    out[static_cast<size_t>(i)] = static_cast<int16_t>(low * swell * 26000);
  }
  return out;
}

// A tune of sine notes (MIDI numbers), each with a soft attack and decay.
std::vector<int16_t> Tune(const std::vector<int>& notes, double note_seconds) {
  const int per = static_cast<int>(note_seconds * kRate);
  std::vector<int16_t> out;
  for (int note : notes) {
    const double f = 440.0 * std::pow(2.0, (note - 69) / 12.0);
    for (int i = 0; i < per; ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double env = std::min(1.0, i / 400.0) * std::exp(-3.0 * i / per);
      const double v = std::sin(2 * kPi * f * t) + 0.3 * std::sin(4 * kPi * f * t);
      out.push_back(static_cast<int16_t>(v * env * 9000));
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo_assets OUTPUT_FOLDER\n");
    return 2;
  }
  const std::string out = argv[1];
  try {
    std::filesystem::create_directories(out);
    const Scene harbour{MakeColor(40, 70, 150),  MakeColor(250, 170, 110), MakeColor(10, 40, 80),
                        MakeColor(70, 110, 160), MakeColor(40, 70, 40),    700, 200, 45,
                        MakeColor(255, 220, 150), 40, 0.011, false};
    const Scene storm{MakeColor(50, 55, 65),  MakeColor(120, 125, 135), MakeColor(20, 35, 45),
                      MakeColor(80, 95, 105), MakeColor(70, 60, 50),    150, 80, 0,
                      MakeColor(200, 200, 200), 70, 0.004, true};
    const Scene winter{MakeColor(90, 110, 160), MakeColor(210, 215, 230), MakeColor(20, 50, 90),
                       MakeColor(110, 140, 180), MakeColor(225, 230, 240), 300, 150, 30,
                       MakeColor(255, 250, 235), 55, 0.008, false};
    SavePair(out, "harbour", harbour);
    SavePair(out, "storm", storm);
    SavePair(out, "winter", winter);
    lpc::SavePicture(out + "/meadow.jpg", Meadow());

    SaveWav(out + "/surf.wav", Surf(3.0), kRate);
    SaveWav(out + "/music1.wav", Tune({60, 64, 67, 72, 67, 64, 62, 65, 69, 74, 69, 65}, 0.5),
            kRate);
    SaveWav(out + "/music2.wav", Tune({57, 60, 64, 69, 64, 60, 55, 59, 62, 67, 62, 59}, 0.5),
            kRate);

    lpc::WriteFileBytes(out + "/project.ini",
                        "[General]\r\nProductName=LPCSaver Demo\r\nPublisher=LPCSaver\r\n"
                        "Website=https://example.org/lpcsaver\r\n"
                        "[Default]\r\nStretch=1\r\nProportional=1\r\nSound=1\r\nRandom=1\r\n"
                        "Duration=10\r\nTransition=1\r\nSpeed=100\r\nMusic=1\r\n"
                        "ShowImageMode=1\r\n"
                        "[Advance]\r\nPreviewFile=meadow.jpg\r\n"
                        "MusicFile=music1.wav;music2.wav\r\nMusicMode=1\r\n");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_demo_assets: %s\n", e.what());
    return 1;
  }
  return 0;
}
