// archiver: packs a folder into the archive file the runtime reads in its
// place, lists an archive, or extracts it.
#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <string>

#include "archive_image.h"
#include "archive_writer.h"

namespace fs = std::filesystem;

namespace {

// The runtime looks for FOLDER.QMA unless the program calls SetArchiveExtension,
// so an archive packed with the defaults is found by a program using the defaults.
const char kDefaultExtension[] = "QMA";

const char kUsage[] =
    "usage: archiver pack FOLDER [-e EXT] [-o ARCHIVE]\n"
    "                                pack FOLDER into FOLDER.EXT; EXT defaults to QMA, the\n"
    "                                runtime's default (a program that calls\n"
    "                                SetArchiveExtension(\"data\") reads FOLDER.data)\n"
    "       archiver list ARCHIVE                        list the entries\n"
    "       archiver extract ARCHIVE [DEST]              extract into DEST (default: ARCHIVE without extension)\n"
    "       archiver --help | --version\n";

// A usage error: one line saying what was wrong, then the hint.
int BadUsage(const std::string& what) {
    fprintf(stderr, "archiver: %s\n", what.c_str());
    fprintf(stderr, "Try 'archiver --help' for more information.\n");
    return 2;
}

int Pack(int argc, char** argv) {
    std::string folder, extension = kDefaultExtension, out;
    bool ifPresent = false;
    for (int i = 0; i < argc; i++) {
        bool takesValue = !strcmp(argv[i], "-e") || !strcmp(argv[i], "-o");
        if (takesValue && i + 1 >= argc) return BadUsage(std::string("missing value after ") + argv[i]);
        if (!strcmp(argv[i], "--if-present")) ifPresent = true;
        else if (!strcmp(argv[i], "-e")) extension = argv[++i];
        else if (!strcmp(argv[i], "-o")) out = argv[++i];
        else if (argv[i][0] == '-') return BadUsage(std::string("unknown option: ") + argv[i]);
        else if (folder.empty()) folder = argv[i];
        else return BadUsage(std::string("more than one folder: ") + argv[i]);
    }
    if (folder.empty()) return BadUsage("pack needs a FOLDER");
    if (extension.empty() || extension.size() > 63) return BadUsage("the extension must have 1 to 63 characters");
    if (out.empty()) out = DefaultArchivePath(folder, extension);
    std::error_code ec;
    if (ifPresent && !fs::exists(folder, ec)) {
        printf("archiver: %s does not exist, nothing to pack\n", folder.c_str());
        return 0;
    }
    PackStats stats;
    std::string error;
    if (!PackFolder(folder, out, error, &stats)) {
        fprintf(stderr, "archiver: %s\n", error.c_str());
        return 1;
    }
    printf("%s: %d files (%d compressed), %d folders, %llu bytes -> %llu bytes\n", out.c_str(), stats.files,
           stats.compressed, stats.directories, (unsigned long long)stats.inputBytes,
           (unsigned long long)stats.outputBytes);
    std::string written = fs::path(out).extension().string();
    if (!written.empty()) written.erase(0, 1);
    if (written != kDefaultExtension)
        printf("archiver: the extension is \"%s\": a program finds it after SetArchiveExtension(\"%s\")\n",
               written.c_str(), written.c_str());
    return 0;
}

int List(const char* path) {
    ArchiveImage archive;
    std::string error;
    if (!LoadArchiveImage(path, archive, error)) {
        fprintf(stderr, "archiver: %s\n", error.c_str());
        return 1;
    }
    printf("version %d%s\n", archive.version, archive.fallbackKey ? " (fall-back key)" : "");
    for (const ArchiveItem& item : archive.items) {
        std::string name = JoinItemPath(item, '\\');
        if (item.isDirectory) printf("%12s %12s  %s\\\n", "<dir>", "", name.c_str());
        else if (item.stored == 0xFFFFFFFFu) printf("%12u %12s  %s\n", item.size, "stored", name.c_str());
        else printf("%12u %12u  %s\n", item.size, item.stored, name.c_str());
    }
    return 0;
}

int Extract(const char* path, const char* destination) {
    ArchiveImage archive;
    std::string error;
    if (!LoadArchiveImage(path, archive, error)) {
        fprintf(stderr, "archiver: %s\n", error.c_str());
        return 1;
    }
    fs::path root;
    if (destination) {
        root = destination;
    } else {
        root = fs::path(path);
        root.replace_extension();
    }
    std::error_code ec;
    fs::create_directories(root, ec);
    if (ec) {
        fprintf(stderr, "archiver: cannot create %s: %s\n", root.c_str(), ec.message().c_str());
        return 1;
    }
    std::vector<uint8_t> bytes;
    for (const ArchiveItem& item : archive.items) {
        fs::path target = root / JoinItemPath(item, '/');
        if (item.isDirectory) {
            fs::create_directories(target, ec);
            if (ec) {
                fprintf(stderr, "archiver: cannot create %s: %s\n", target.string().c_str(), ec.message().c_str());
                return 1;
            }
            continue;
        }
        if (!ReadArchiveItem(archive, item, bytes, error)) {
            fprintf(stderr, "archiver: %s: %s\n", path, error.c_str());
            return 1;
        }
        FILE* out = fopen(target.string().c_str(), "wb");
        bool ok = out && fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
        if (out) ok = fclose(out) == 0 && ok;
        if (!ok) {
            fprintf(stderr, "archiver: cannot write %s\n", target.string().c_str());
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h"))) {
        fputs(kUsage, stdout);
        return 0;
    }
    if (argc >= 2 && !strcmp(argv[1], "--version")) {
        printf("archiver %s\n", BKT_VERSION);
        return 0;
    }
    if (argc < 2) return BadUsage("missing command (pack, list or extract)");
    if (!strcmp(argv[1], "pack")) return Pack(argc - 2, argv + 2);
    if (!strcmp(argv[1], "list")) {
        if (argc != 3) return BadUsage("list needs exactly one ARCHIVE");
        return List(argv[2]);
    }
    if (!strcmp(argv[1], "extract")) {
        if (argc != 3 && argc != 4) return BadUsage("extract needs an ARCHIVE and at most one DEST");
        return Extract(argv[2], argc == 4 ? argv[3] : nullptr);
    }
    return BadUsage(std::string("unknown command: ") + argv[1]);
}
