#include "platform/tuner/Interrupt_Interface.h"

#include <objbase.h>

namespace remorra::tuner {
namespace {

const CLSID kClsidFilterGraph = {0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID kIidGraphBuilder = {0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

class ComFilterGraph final : public FilterGraph {
public:
    explicit ComFilterGraph(IUnknown* graph) : m_graph(graph) {}
    ~ComFilterGraph() override { m_graph->Release(); }
    ComFilterGraph(const ComFilterGraph&) = delete;
    ComFilterGraph& operator=(const ComFilterGraph&) = delete;

private:
    IUnknown* m_graph;
};

} // namespace

std::unique_ptr<FilterGraph> createSystemFilterGraph()
{
    IUnknown* graph = nullptr;
    const HRESULT hr = CoCreateInstance(kClsidFilterGraph, nullptr, CLSCTX_INPROC_SERVER, kIidGraphBuilder,
                                        reinterpret_cast<void**>(&graph));
    if (FAILED(hr) || !graph)
        return nullptr;
    return std::make_unique<ComFilterGraph>(graph);
}

} // namespace remorra::tuner
