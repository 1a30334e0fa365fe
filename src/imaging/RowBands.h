// Splitting the rows of a picture-sized job into bands over the cores, for
// work whose rows do not depend on each other: each band gives the same
// bytes as one pass would, so the result does not depend on the core count.
#pragma once

#include <algorithm>
#include <cstdint>
#include <exception>
#include <vector>

#include "base/Threads.h"

namespace pictorel {

// Runs `makeRows(first, end)` over bands covering rows 0 .. rows - 1, on up
// to four threads (the calling one among them) when `work`, a rough count of
// the bytes touched, is worth starting threads for; on one thread otherwise.
// A band whose thread cannot start is made on the calling thread. The first
// error of any band is rethrown once every band has ended.
template <typename MakeRows>
void ForRowBands(int rows, double work, const MakeRows& makeRows) {
    const unsigned cores = std::min(4u, UsableCores());
    const int parts =
        work < 2e6 || rows < 2 ? 1 : static_cast<int>(std::min<unsigned>(cores, rows));
    if (parts == 1) {
        makeRows(0, rows);
        return;
    }
    const auto bandStart = [&](int part) {
        return static_cast<int>(std::int64_t{rows} * part / parts);
    };
    std::vector<std::exception_ptr> errors(static_cast<std::size_t>(parts));
    const auto makeBands = [&](int first, int end) {  // bands [first, end), errors kept
        try {
            makeRows(bandStart(first), bandStart(end));
        } catch (...) {
            errors[static_cast<std::size_t>(first)] = std::current_exception();
        }
    };
    std::vector<JoiningThread> threads;  // joined before errors goes, even on a throw
    int started = 1;
    for (; started < parts; ++started) {
        try {
            threads.emplace_back([&, p = started] { makeBands(p, p + 1); });
        } catch (...) {
            break;  // no thread to spare: the bands left are made here
        }
    }
    makeBands(0, 1);
    if (started < parts) makeBands(started, parts);
    for (JoiningThread& t : threads) t.Join();
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
}

}  // namespace pictorel
