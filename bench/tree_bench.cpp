// read-tree and find through the core on the in-memory desktop, and the
// JSON writer on its own. Run: build/tavik_bench --benchmark_filter=Tree
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/memory/memory_desktop.h"
#include "response/json.h"
#include "tree/find_command.h"
#include "tree/read_tree_command.h"

namespace {

constexpr std::int32_t benchPid = 4242;
constexpr int treeElements = 100000;

// A window of 100,000 elements, fan-out 10, filled breadth first; every
// element has role, title, value, description, geometry and actions. One
// title in ten holds "Save", one in ten a non-ASCII letter.
void buildDesktop() {
    static bool built = false;
    if (built) return;
    built = true;
    memory::resetDesktop();
    std::vector<memory::Node*> elements;
    elements.reserve(treeElements);
    const char* roles[] = {"AXButton", "AXGroup", "AXStaticText", "AXTextField", "AXCheckBox"};
    for (int i = 0; i < treeElements; ++i) {
        std::string title = (i % 10 == 3) ? "Save item " : (i % 10 == 7) ? "Caf\xC3\xA9 item " : "Element ";
        title += std::to_string(i);
        memory::Node& node = memory::newElement(i == 0 ? "AXWindow" : roles[i % 5], title);
        node.set("AXValue", "Value text of element " + std::to_string(i))
            .set("AXDescription", "Description " + std::to_string(i))
            .setPosition(10.5 + i % 1000, 20.25 + i % 700)
            .setSize(120, 24)
            .setActions({"AXPress", "AXShowMenu"});
        if (i > 0) elements[static_cast<std::size_t>((i - 1) / 10)]->addChild(node);
        elements.push_back(&node);
    }
    memory::addApplication(benchPid, "Bench").addWindow(*elements[0]);
}

void perElement(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * treeElements);
    state.counters["per_element"] =
        benchmark::Counter(treeElements, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void TreeReadTree(benchmark::State& state) {
    buildDesktop();
    const Arguments arguments{"tavik-ax", "read-tree", std::to_string(benchPid), "20"};
    std::size_t bytes = 0;
    for (auto _ : state) {
        const CommandResult result = runReadTree(arguments);
        bytes = result.document.size();
        benchmark::DoNotOptimize(result.document.data());
    }
    perElement(state);
    state.counters["document_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(TreeReadTree)->Unit(benchmark::kMillisecond);

void TreeFindLabel(benchmark::State& state) {
    buildDesktop();
    const Arguments arguments{"tavik-ax", "find", std::to_string(benchPid), "--label", "save"};
    std::size_t bytes = 0;
    for (auto _ : state) {
        const CommandResult result = runFind(arguments);
        bytes = result.document.size();
        benchmark::DoNotOptimize(result.document.data());
    }
    perElement(state);
    state.counters["document_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(TreeFindLabel)->Unit(benchmark::kMillisecond);

void TreeFindNonAsciiLabel(benchmark::State& state) {
    buildDesktop();
    const Arguments arguments{"tavik-ax", "find", std::to_string(benchPid), "--label", "CAF\xC3\x89"};
    for (auto _ : state) {
        const CommandResult result = runFind(arguments);
        benchmark::DoNotOptimize(result.document.data());
    }
    perElement(state);
}
BENCHMARK(TreeFindNonAsciiLabel)->Unit(benchmark::kMillisecond);

// The writer on a document shaped like find's output: match records with
// paths, texts (some needing escapes or non-ASCII), numbers and action
// arrays. With 1,000 records the value tree stays in the cache, as a
// record does when read-tree writes it right after building it; with
// 100,000 the writer also waits on memory for every value.
void TreeJsonWriter(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<JsonObject> records;
    records.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        JsonObject record;
        record.set("role", "AXButton");
        record.set("path", "0.3.1." + std::to_string(i % 10) + "." + std::to_string(i % 7));
        record.set("title", (i % 10 == 7) ? "Caf\xC3\xA9 \"quoted\" item " + std::to_string(i)
                                          : "Element " + std::to_string(i));
        record.set("value", "Value text of element " + std::to_string(i) + " with a/slash");
        record.set("description", "Description " + std::to_string(i));
        record.set("x", std::int64_t{10 + i % 1000});
        record.set("y", std::int64_t{20 + i % 700});
        record.set("width", std::int64_t{120});
        record.set("height", std::int64_t{24});
        record.set("actions", JsonArray{"AXPress", "AXShowMenu"});
        records.push_back(std::move(record));
    }
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = jsonArray(records);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
}
BENCHMARK(TreeJsonWriter)->Arg(1000)->Arg(treeElements)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
