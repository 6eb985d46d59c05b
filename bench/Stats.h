#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace vorlin::bench {

// Samples of one measured quantity.
class Series
{
public:
    void add(double value) { m_values.push_back(value); }
    bool empty() const { return m_values.empty(); }
    int count() const { return int(m_values.size()); }

    double median() const
    {
        std::vector<double> v = sorted();
        if (v.empty())
            return 0;
        const std::size_t mid = v.size() / 2;
        return v.size() % 2 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
    }
    double min() const { return m_values.empty() ? 0 : *std::min_element(m_values.begin(), m_values.end()); }
    double max() const { return m_values.empty() ? 0 : *std::max_element(m_values.begin(), m_values.end()); }

private:
    std::vector<double> sorted() const
    {
        std::vector<double> v = m_values;
        std::sort(v.begin(), v.end());
        return v;
    }
    std::vector<double> m_values;
};

// Wall time on the monotonic clock, in milliseconds.
class Stopwatch
{
public:
    Stopwatch() : m_start(std::chrono::steady_clock::now()) {}
    double elapsedMs() const
    {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start;
};

} // namespace vorlin::bench
