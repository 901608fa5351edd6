#pragma once
/** @brief A numeric setting with a range whose value is a constant (mode 0), a hand-drawn
 *  graph (mode 1) or an automatic random walk (mode 2).
 *
 * The constant and the mode are relaxed atomics: a property row writes them on the UI
 * thread while the audio worker evaluates them. GetValueAt never allocates or throws.
 * Graph editing must not run while another thread evaluates the same property. */

#include "model/CAutoGraph.h"
#include "model/CGraph.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace plat
{
class Archive;
}

class CSmartProperty
{
public:
    enum Mode : std::int32_t
    {
        kModeConstant = 0,
        kModeGraph = 1,
        kModeAutoGraph = 2,
    };

    CSmartProperty() = default;
    CSmartProperty(const CSmartProperty& other);
    /** Copies mode, range, constant, graph (curve rebuilt) and the auto graph's settings. */
    CSmartProperty& operator=(const CSmartProperty& other);

    /** Sets mode and range, the auto graph's range and limits to the range, the constant to
     *  the middle and the graph flat. */
    void Init(std::int32_t mode, double min, double max);
    /** Mode 0 with constant @p v, the graph flat at its height (plus 0.0001). */
    void SetValue(double v);
    double GetValue() const noexcept { return m_value.load(std::memory_order_relaxed); }
    /** The constant alone: the mode and the graph stay as they are (a property row's typing,
     *  which must not flatten a drawn graph). */
    void SetConstant(double v) noexcept { m_value.store(v, std::memory_order_relaxed); }
    std::int32_t GetMode() const noexcept { return m_mode.load(std::memory_order_relaxed); }
    void SetMode(std::int32_t mode) noexcept { m_mode.store(mode, std::memory_order_relaxed); }
    std::pair<double, double> GetRange() const noexcept { return {m_min, m_max}; }

    CGraph& GetGraph() noexcept { return m_graph; }
    const CGraph& GetGraph() const noexcept { return m_graph; }
    CAutoGraph& GetAutoGraph() noexcept { return m_autoGraph; }
    const CAutoGraph& GetAutoGraph() const noexcept { return m_autoGraph; }
    /** Mode 1 with a copy of @p graph. */
    void SetGraph(const CGraph& graph);

    void StartAutoGraph(std::uint32_t samplesPerStep) noexcept { m_autoGraph.StartWalk(samplesPerStep); }
    /** The value at time fraction @p t of the evaluated span; mode 2 advances the walk. */
    double GetValueAt(double t) noexcept;
    /** The same for a read-out (the status pane): modes 0 and 1 as GetValueAt, mode 2 the walk's
     *  last value, so reading never moves the walk the engine is running. */
    double PeekValueAt(double t) const noexcept;
    /** GetValueAt(t) for a caller walking forward in time: the same values, with @p hint
     *  (start it at 1) carrying the graph's span from call to call. */
    double GetValueAt(double t, std::size_t& hint) noexcept;
    /** True when the value is the constant: no time fraction is needed. */
    bool IsConstant() const noexcept { return GetMode() == kModeConstant; }

    /** A constant read from a file, taken after any change of its units: one that is not a
     *  number refuses the file (plat::ArchiveError, BadFormat), one outside the range becomes
     *  the nearer end of it, as a typed value does in the property row. */
    double ValueFromFile(double v) const;

    /** The current record: mode, min, max, value, graph, auto graph. Reading replaces the range
     *  and holds the constant and the automatic graph's limits and change rate to it. */
    void Serialize(plat::Archive& ar);
    /** The record of files before version 400: a double (x 100 when @p times100) or an int32,
     *  a has-graph flag and a graph; the constant goes through ValueFromFile. Reads nothing and
     *  returns false at version 400 or later. */
    bool LoadOld(plat::Archive& ar, bool asDouble, bool times100);

private:
    double m_min = 0.0;
    double m_max = 0.0;
    std::atomic<std::int32_t> m_mode{kModeConstant};
    std::atomic<double> m_value{0.0};
    CGraph m_graph;
    CAutoGraph m_autoGraph;
};
