#include "FakeKsFilter.h"

#include "platform/tuner/GPIO_Interface.h"
#include "platform/tuner/Interrupt_Interface.h"
#include "platform/tuner/KsWire.h"
#include "platform/tuner/win32/KsCaptureFilter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

using namespace remorra::tuner;
using fake::Call;

namespace {

std::vector<std::uint8_t> bytes(std::initializer_list<int> v) { return {v.begin(), v.end()}; }

std::vector<std::uint8_t> slice(const std::vector<std::uint8_t>& v, std::size_t from, std::size_t to)
{
    return {v.begin() + static_cast<std::ptrdiff_t>(from), v.begin() + static_cast<std::ptrdiff_t>(to)};
}

bool sameGuid(const GUID& g, const Guid& ours) { return std::memcmp(&g, ours.bytes.data(), 16) == 0; }

class Counter final : public CInterruptCallback {
public:
    void OnInterrupt(const std::uint32_t* source) override
    {
        std::lock_guard lock(m);
        sources.push_back(*source);
        cv.notify_all();
    }
    bool waitFor(std::size_t n)
    {
        std::unique_lock lock(m);
        return cv.wait_for(lock, std::chrono::seconds(10), [&] { return sources.size() >= n; });
    }
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::uint32_t> sources;
};

} // namespace

TEST(KsCaptureFilter, OffersWhatTheObjectAnswersForAndKeepsReferencesBalanced)
{
    struct Case {
        bool propertySet, control;
    };
    for (const Case c : {Case{true, true}, Case{true, false}, Case{false, true}, Case{false, false}}) {
        SCOPED_TRACE(testing::Message() << "IKsPropertySet " << c.propertySet << ", IKsControl " << c.control);
        fake::KsFilter object;
        object.offerPropertySet = c.propertySet;
        object.offerControl = c.control;
        {
            KsCaptureFilter filter(object.unknown());
            EXPECT_EQ(filter.offersPropertySet(), c.propertySet);
            EXPECT_EQ(filter.offersControl(), c.control);
            std::uint8_t data[4] = {};
            std::uint32_t returned = 0;
            const HResult setHr = filter.propertySet(kLegacyGpioSet, 0, {}, data);
            const HResult ksHr = filter.ksProperty(bytes({1, 2, 3}), data, &returned);
            EXPECT_EQ(setHr, c.propertySet ? S_OK : E_NOINTERFACE);
            EXPECT_EQ(ksHr, c.control ? S_OK : E_NOINTERFACE);
            EXPECT_EQ(object.calls.size(), std::size_t{c.propertySet} + std::size_t{c.control})
                << "a missing interface sends nothing";
            EXPECT_EQ(object.refs.load(), 2) << "each queried interface is released after its call";
        }
        EXPECT_EQ(object.refs.load(), 1) << "the filter's own reference goes with it";
    }
}

TEST(KsCaptureFilter, LayerRequestsReachTheDriverByteForByte)
{
    fake::KsFilter object;
    KsCaptureFilter filter(object.unknown());

    // Chip path.
    CGPIO_Interface chip(&filter, 0x7231);
    object.reply = {1};
    std::uint8_t level = 0xAA;
    ASSERT_EQ(chip.tmIGetPin(4, &level), 1);
    EXPECT_EQ(level, 1);
    ASSERT_EQ(object.calls.size(), 1u);
    Call get = object.calls.back();
    EXPECT_EQ(get.kind, Call::KsProperty);
    ASSERT_EQ(get.instance.size(), 32u);
    EXPECT_EQ(slice(get.instance, 0, 16), std::vector<std::uint8_t>(kChipGpioSet.bytes.begin(), kChipGpioSet.bytes.end()));
    EXPECT_EQ(slice(get.instance, 16, 32), bytes({1, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0x31, 0x72, 1, 4}));
    EXPECT_EQ(get.data, bytes({0})) << "the data byte is cleared before the call";

    EXPECT_EQ(chip.tmISetPinDirection(0x10, 0x10), 0);
    Call direction = object.calls.back();
    ASSERT_EQ(direction.instance.size(), 40u);
    EXPECT_EQ(slice(direction.instance, 16, 40),
              bytes({0, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 0x31, 0x72, 1, 0, 0x10, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(direction.data, bytes({0x10, 0, 0, 0}));

    // Legacy path through IKsPropertySet.
    CGPIO_Interface legacy(&filter, 0);
    object.reply = {0};
    ASSERT_EQ(legacy.tmIGetPin(22, &level), 1);
    EXPECT_EQ(level, 0);
    Call legacyGet = object.calls.back();
    EXPECT_EQ(legacyGet.kind, Call::Get);
    EXPECT_TRUE(sameGuid(legacyGet.set, kLegacyGpioSet));
    EXPECT_EQ(legacyGet.id, 0u);
    std::vector<std::uint8_t> instance(32, 0);
    instance[0] = 22;
    EXPECT_EQ(legacyGet.instance, instance);
    EXPECT_EQ(legacyGet.data.size(), 1u);

    ASSERT_EQ(legacy.tmISetPin(7, 1), 1);
    Call set = object.calls.back();
    EXPECT_EQ(set.kind, Call::Set);
    instance.assign(25, 0);
    instance[0] = 7;
    EXPECT_EQ(set.instance, instance);
    EXPECT_EQ(set.data, bytes({1}));
    EXPECT_EQ(object.refs.load(), 2);
}

TEST(KsCaptureFilter, DriverResultsComeBackUnchanged)
{
    fake::KsFilter object;
    KsCaptureFilter filter(object.unknown());
    const HRESULT refused = HRESULT_FROM_WIN32(ERROR_GEN_FAILURE);
    object.answer = refused;
    object.reply = {1};
    object.replyCount = 7;

    std::uint8_t data[1] = {};
    std::uint32_t returned = 0;
    EXPECT_EQ(filter.propertyGet(kLegacyGpioSet, 0, {}, data, &returned), refused);
    EXPECT_EQ(returned, 7u) << "the byte count comes back even with a failure";
    EXPECT_EQ(filter.propertySet(kLegacyGpioSet, 0, {}, data), refused);
    returned = 0;
    EXPECT_EQ(filter.ksEvent({}, {}, &returned), refused);
    EXPECT_EQ(returned, 7u);
    object.answer = S_FALSE;
    EXPECT_EQ(filter.ksProperty(bytes({0}), data, &returned), S_FALSE) << "a success code other than S_OK stays";

    object.answer = refused;
    CGPIO_Interface chip(&filter, 0x7231);
    std::uint8_t level = 0xAA;
    EXPECT_EQ(chip.tmIGetPin(4, &level), 0);
    EXPECT_STREQ(chip.Status(), "Get property failed");
    EXPECT_EQ(level, 0xAA);
    EXPECT_EQ(chip.tmISetPinDirection(0x10, 0x10), refused);
    CGPIO_Interface legacy(&filter, 0);
    EXPECT_EQ(legacy.tmISetPin(4, 1), 0);
    EXPECT_STREQ(legacy.Status(), "Set property failed");

    object.offerPropertySet = false;
    object.offerControl = false;
    EXPECT_EQ(legacy.tmIGetPin(4, &level), 0);
    EXPECT_STREQ(legacy.Status(), "QueryInterface failed");
    EXPECT_EQ(chip.tmISetPinDirection(0x10, 0x10), kNoInterface);
}

TEST(KsCaptureFilter, ProbeStopsAtTheIdTheDriverAnswersTo)
{
    struct Case {
        std::uint16_t cardId;
        std::uint16_t found;
        int requests;
    };
    for (const Case c : {Case{0x7231, 0x7231, 1}, Case{0x7200, 0x7200, 0x32}, Case{0x7160, 0x7160, 210},
                         Case{0x7000, 0, 210}}) {
        SCOPED_TRACE(c.cardId);
        fake::KsFilter object;
        object.probeAnswersTo = c.cardId;
        KsCaptureFilter filter(object.unknown());
        int sent = 0;
        EXPECT_EQ(probeImplementationId(&filter, &sent), c.found);
        EXPECT_EQ(sent, c.requests);
        ASSERT_FALSE(object.calls.empty());
        const Call& first = object.calls.front();
        ASSERT_EQ(first.instance.size(), 40u);
        EXPECT_EQ(slice(first.instance, 0, 16), std::vector<std::uint8_t>(kProbeSet.bytes.begin(), kProbeSet.bytes.end()));
        EXPECT_EQ(slice(first.instance, 16, 30), bytes({0, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 0x31, 0x72}));
        EXPECT_EQ(first.data, bytes({0xFE}));
    }
}

TEST(KsCaptureFilter, DriverSignalsOnItsOwnEventReachTheInterruptLayer)
{
    fake::KsFilter object;
    KsCaptureFilter filter(object.unknown());
    CInterrupt_Interface layer(0x7231, &filter);
    // The system's filter-graph manager was created in process, so the layer runs.
    EXPECT_STREQ(layer.Status(), "No Error");
    ASSERT_TRUE(layer.ThreadRunning());
    Counter counter;
    ASSERT_EQ(layer.tmIEnableInterrupt(4, 0, &counter), 0);
    ASSERT_EQ(object.calls.size(), 1u);
    const Call enable = object.calls.back();
    EXPECT_EQ(enable.kind, Call::KsEvent);
    ASSERT_EQ(enable.instance.size(), 24u);
    EXPECT_EQ(slice(enable.instance, 0, 16), std::vector<std::uint8_t>(kChipEventSet.bytes.begin(), kChipEventSet.bytes.end()));
    EXPECT_EQ(slice(enable.instance, 16, 24), bytes({4, 0, 0, 0, 1, 0, 0, 0}));
    ASSERT_EQ(enable.data.size(), 24u);
    EXPECT_EQ(slice(enable.data, 0, 4), bytes({1, 0, 0, 0}));
    EXPECT_EQ(slice(enable.data, 8, 24), bytes({0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0}));
    const std::uint32_t named = get32(enable.data.data() + 4);
    EXPECT_EQ(named, layer.Event(0)) << "the driver is given the layer's own event, a Win32 one";

    // The driver signals what it was given, twice: two calls, for source 0.
    HANDLE driverEvent = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(named));
    ASSERT_TRUE(SetEvent(driverEvent));
    ASSERT_TRUE(counter.waitFor(1));
    ASSERT_TRUE(SetEvent(driverEvent));
    ASSERT_TRUE(counter.waitFor(2));
    EXPECT_EQ(counter.sources, (std::vector<std::uint32_t>{0, 0}));

    // Disabling hands over the same record again: same address, first 16 bytes.
    object.answer = E_FAIL;
    EXPECT_EQ(layer.tmIDisableInterrupt(4, 0), CInterrupt_Interface::kDisableRefused);
    object.answer = S_OK;
    ASSERT_EQ(layer.tmIEnableInterrupt(4, 0, &counter), 0);
    EXPECT_EQ(object.calls.back().dataAddress, enable.dataAddress);
    EXPECT_EQ(layer.tmIDisableInterrupt(4, 0), 0);
    const Call disable = object.calls.back();
    EXPECT_TRUE(disable.nullRequest);
    EXPECT_TRUE(disable.instance.empty());
    EXPECT_EQ(disable.dataAddress, enable.dataAddress);
    EXPECT_EQ(disable.data, slice(enable.data, 0, 16));
}

TEST(KsCaptureFilter, LegacyRegistrationCarriesEvent1ForSource1)
{
    fake::KsFilter object;
    KsCaptureFilter filter(object.unknown());
    CInterrupt_Interface layer(0, &filter);
    Counter counter;
    ASSERT_EQ(layer.tmIEnableInterrupt(18, 1, &counter), 0);
    const Call enable = object.calls.back();
    EXPECT_EQ(slice(enable.instance, 16, 24), bytes({5, 0, 0, 0, 1, 0, 0, 0}));
    ASSERT_EQ(enable.data.size(), 16u);
    ASSERT_TRUE(SetEvent(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(get32(enable.data.data() + 4)))));
    ASSERT_TRUE(counter.waitFor(1));
    EXPECT_EQ(counter.sources, (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(layer.tmIDisableInterrupt(18, 1), 0);
}

TEST(KsCaptureFilter, BindsOnFirstUseAndOnlyOnce)
{
    fake::KsFilter object;
    int binds = 0;
    {
        KsCaptureFilter filter([&](IUnknown** out) {
            ++binds;
            object.AddRef();
            *out = object.unknown();
            return S_OK;
        });
        EXPECT_EQ(binds, 0) << "nothing is bound before it is used";
        EXPECT_TRUE(filter.offersControl());
        EXPECT_TRUE(filter.offersPropertySet());
        std::uint8_t data[1] = {};
        EXPECT_EQ(filter.propertySet(kLegacyGpioSet, 0, {}, data), S_OK);
        EXPECT_EQ(binds, 1);
        EXPECT_EQ(filter.bindResult(), S_OK);
    }
    EXPECT_EQ(object.refs.load(), 1);

    const HRESULT notReady = HRESULT_FROM_WIN32(ERROR_NOT_READY);
    binds = 0;
    KsCaptureFilter broken([&](IUnknown**) {
        ++binds;
        return notReady;
    });
    EXPECT_FALSE(broken.offersControl());
    std::uint8_t data[1] = {};
    std::uint32_t returned = 0;
    EXPECT_EQ(broken.ksProperty(bytes({0}), data, &returned), notReady);
    EXPECT_EQ(broken.bindResult(), notReady);
    EXPECT_EQ(binds, 1) << "a failed binding is not retried on every request";
    CGPIO_Interface gpio(&broken, 0);
    std::uint8_t level = 0;
    EXPECT_EQ(gpio.tmIGetPin(4, &level), 0);
    EXPECT_STREQ(gpio.Status(), "QueryInterface failed");
}
