// Archive benchmarks: packing throughput and ratio (beside gzip -9 on the same
// files, and zlib at level 9 timed the same way), and entry reads through the
// runtime's archive-aware file set against the plain disk set.
#include <stdio.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <zlib.h>

#include "archive_writer.h"
#include "runtime/file/archive.h"

namespace fs = std::filesystem;

namespace {

struct Corpus {
    std::string name;                  // label in the report
    std::string folder;                // what is packed
    std::vector<std::string> files;    // every file below it
    std::vector<std::string> relative; // the same, relative to the folder's parent, "\" separated
    uint64_t bytes = 0;
};

std::vector<Corpus> g_corpora;

std::vector<uint8_t> Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void AddCorpus(const std::string& name, const std::string& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return;
    Corpus c;
    c.name = name;
    c.folder = fs::canonical(folder).string();
    for (auto it = fs::recursive_directory_iterator(c.folder, ec); it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        c.files.push_back(it->path().string());
        std::string rel = fs::relative(it->path(), fs::path(c.folder).parent_path()).string();
        for (char& ch : rel)
            if (ch == '/') ch = '\\';
        c.relative.push_back(rel);
        c.bytes += it->file_size(ec);
    }
    if (!c.files.empty()) g_corpora.push_back(c);
}

uint64_t Gzip9Size(const Corpus& c) {
    uint64_t total = 0;
    for (const std::string& f : c.files) {
        std::string cmd = "gzip -9 -n -c '" + f + "' | wc -c";
        FILE* p = popen(cmd.c_str(), "r");
        if (!p) return 0;
        unsigned long long n = 0;
        if (fscanf(p, "%llu", &n) != 1) n = 0;
        pclose(p);
        total += n;
    }
    return total;
}

void BM_Pack(benchmark::State& state, const Corpus* c) {
    std::vector<uint8_t> image;
    std::string error;
    PackStats stats;
    for (auto _ : state) {
        if (!BuildArchiveImage(c->folder, image, error, &stats)) {
            state.SkipWithError(error.c_str());
            return;
        }
        benchmark::DoNotOptimize(image.data());
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)c->bytes);
    state.counters["archive_ratio"] = (double)stats.outputBytes / (double)c->bytes;
    static std::vector<std::pair<const Corpus*, double>> gzipCache;
    double gz = -1;
    for (auto& [k, v] : gzipCache)
        if (k == c) gz = v;
    if (gz < 0) {
        gz = (double)Gzip9Size(*c) / (double)c->bytes;
        gzipCache.push_back({c, gz});
    }
    state.counters["gzip9_ratio"] = gz;
}

void BM_ZlibLevel9(benchmark::State& state, const Corpus* c) {
    std::vector<std::vector<uint8_t>> contents;
    for (const std::string& f : c->files) contents.push_back(Load(f));
    uint64_t out = 0;
    std::vector<uint8_t> buffer;
    for (auto _ : state) {
        out = 0;
        for (const auto& bytes : contents) {
            uLongf size = compressBound((uLong)bytes.size());
            buffer.resize(size);
            compress2(buffer.data(), &size, bytes.data(), (uLong)bytes.size(), 9);
            out += size;
        }
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)c->bytes);
    state.counters["ratio"] = (double)out / (double)c->bytes;
}

// Reads every file of the corpus through ops, whole, in 64 KiB reads.
void ReadAll(const FileOpTable* ops, const Corpus* c, std::vector<uint8_t>& buffer, benchmark::State& state) {
    for (const std::string& path : c->relative) {
        FileHandle f = ops->open(path.c_str(), 0, 1);
        if (!f) {
            state.SkipWithError(("cannot open " + path).c_str());
            return;
        }
        while (ops->read(buffer.data(), 1, (int)buffer.size(), f) > 0) {
        }
        ops->close(f);
    }
}

void BM_ReadEntries(benchmark::State& state, const Corpus* c, bool fromArchive) {
    // The archive lies beside a copy-free view of the folder: run from a scratch
    // directory holding NAME.data for archive reads, from the folder's parent
    // for disk reads.
    char cwd[4096];
    if (!getcwd(cwd, sizeof(cwd))) return;
    std::string scratch = fs::temp_directory_path().string() + "/bkt_archive_bench";
    fs::create_directories(scratch);
    std::string error;
    std::string base = fs::path(c->folder).filename().string();
    if (fromArchive && !PackFolder(c->folder, scratch + "/" + base + ".data", error, nullptr)) {
        state.SkipWithError(error.c_str());
        return;
    }
    if (chdir(fromArchive ? scratch.c_str() : fs::path(c->folder).parent_path().c_str()) != 0) return;
    ClearArchiveBookkeeping();
    SetArchiveExtensionInternal("data");
    std::vector<uint8_t> buffer(65536);
    const FileOpTable* ops = fromArchive ? &g_archiveFileOps : &g_diskFileOps;
    for (auto _ : state) ReadAll(ops, c, buffer, state);
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)c->bytes);
    ClearArchiveBookkeeping();
    if (chdir(cwd) != 0) return;
}

} // namespace

int main(int argc, char** argv) {
    AddCorpus("game_data", BKT_DIST_DIR "/bkt");
    AddCorpus("image_corpora", BKT_SOURCE_DIR "/../shared/corpora");
    if (g_corpora.empty()) {
        fprintf(stderr, "no folder to pack: build game_data or provide the corpora\n");
        return 0;
    }
    for (const Corpus& c : g_corpora) {
        const Corpus* p = &c;
        benchmark::RegisterBenchmark(("Pack/" + c.name).c_str(), BM_Pack, p)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark(("ZlibLevel9/" + c.name).c_str(), BM_ZlibLevel9, p)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark(("ReadEntries/archive/" + c.name).c_str(), BM_ReadEntries, p, true)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark(("ReadEntries/disk/" + c.name).c_str(), BM_ReadEntries, p, false)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
