// assetgen: builds the game's data from the text sources in assets/.
//   assetgen --assets DIR --out DIST [--icon PATH] [--sheets DIR]
// The manifest (assets/manifest.txt) lists what to build, in order:
//   picture SOURCE.pic NAME OUTPUT   (NAME lets later pictures copy from it)
//   sound SOURCE.snd OUTPUT | music SOURCE.txt OUTPUT | stages LEGEND DIR OUTDIR | icon NAME
// Stages are linted as they are built (stage_lint.h); a fault fails the build.
#include "chiptune.h"
#include "image_write.h"
#include "ogg_write.h"
#include "picture_script.h"
#include "sound_synth.h"
#include "stage_compile.h"
#include "stage_lint.h"
#include "text_source.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

void MakeParent(const std::string& path) {
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    MakeParent(path);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) ToolError("cannot write " + path);
    if (std::fclose(f) != 0) ToolError("cannot write " + path);
}

void WritePicture(const std::string& path, const Picture& p) {
    MakeParent(path);
    bool png = path.size() > 4 && path.compare(path.size() - 4, 4, ".png") == 0;
    bool ok = png ? WritePngRgba(path, p.canvas) : WriteBmp24(path, p.canvas);
    if (!ok) ToolError("cannot write " + path);
}

} // namespace

int main(int argc, char** argv) {
    std::string assets, out, icon;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--assets") assets = argv[i + 1];
        else if (a == "--out") out = argv[i + 1];
        else if (a == "--icon") icon = argv[i + 1];
        else ToolError("unknown option " + a);
    }
    if (assets.empty() || out.empty()) ToolError("usage: assetgen --assets DIR --out DIST [--icon PATH]");

    Palette palette = LoadPalette(assets + "/graphics/palette.txt");
    PixelFont font = LoadPixelFont(assets + "/font/font.txt");
    std::map<std::string, Picture> built;
    PictureContext ctx{&palette, &font, &built};

    SourceFile manifest = LoadSourceFile(assets + "/manifest.txt");
    for (const SourceLine& line : manifest.lines) {
        if (IsBlankOrComment(line.text)) continue;
        std::vector<std::string> w = SplitWords(line.text);
        if (w[0] == "picture" && w.size() == 4) {
            Picture p = RunPictureScript(assets + "/" + w[1], ctx);
            built[w[2]] = p;
            if (w[3] != "-") WritePicture(out + "/" + w[3], p);
        } else if (w[0] == "icon" && w.size() == 2) {
            auto it = built.find(w[1]);
            if (it == built.end()) SourceError(manifest, line.number, "icon picture not built yet");
            WritePicture(out + "/bkt/icon.png", it->second);
            if (!icon.empty()) WritePicture(icon, it->second);
        } else if (w[0] == "sound" && w.size() == 3) {
            SoundEffect fx = RenderSoundEffect(assets + "/" + w[1]);
            MakeParent(out + "/" + w[2]);
            if (!WriteWave(out + "/" + w[2], fx.samples, fx.rate, fx.encoding)) ToolError("cannot write " + w[2]);
        } else if (w[0] == "music" && w.size() == 3) {
            MusicRender m = RenderChiptune(assets + "/" + w[1]);
            MakeParent(out + "/" + w[2]);
            if (!WriteOggVorbis(out + "/" + w[2], m.left, m.right, m.rate, 0.4f)) ToolError("cannot write " + w[2]);
        } else if (w[0] == "stages" && w.size() == 4) {
            StageLegend legend = LoadStageLegend(assets + "/" + w[1]);
            std::vector<std::string> names;
            for (const auto& e : fs::directory_iterator(assets + "/" + w[2]))
                if (e.path().extension() == ".stage") names.push_back(e.path().stem().string());
            std::sort(names.begin(), names.end()); // fixed order: output does not depend on the directory
            int faults = 0;
            for (const std::string& n : names) {
                std::string source = assets + "/" + w[2] + "/" + n + ".stage";
                std::vector<std::vector<int>> grid = ReadStageGrid(source, legend);
                for (const std::string& fault : LintStage(grid)) {
                    std::fprintf(stderr, "%s: %s\n", source.c_str(), fault.c_str());
                    ++faults;
                }
                WriteBytes(out + "/" + w[3] + "/" + n + ".dat", EncodeStageFile(grid));
            }
            if (faults) ToolError(std::to_string(faults) + " stage faults");
        } else {
            SourceError(manifest, line.number, "unknown manifest line");
        }
    }
    return 0;
}
