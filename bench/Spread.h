#pragma once
// The samples of one benchmark run, told as counters: the median under the
// given name, and the least and greatest beside it as <name>_min and
// <name>_max, so that every figure is read with its spread.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

namespace karuvel::bench {

struct Spread {
    std::vector<double> v;

    void put(benchmark::State& st, const std::string& name, const std::string& medianSuffix = {}) const
    {
        if (v.empty()) return;
        std::vector<double> r = v;
        std::sort(r.begin(), r.end());
        const size_t n = r.size();
        st.counters[name + medianSuffix] = n % 2 ? r[n / 2] : (r[n / 2 - 1] + r[n / 2]) / 2;
        st.counters[name + "_min"] = r.front();
        st.counters[name + "_max"] = r.back();
    }
};

} // namespace karuvel::bench
