#pragma once
// The main dialog's start-up and shutdown without a toolkit: the steps that
// assemble the IR pipeline and the order in which it is taken apart. The
// window, the chooser and the platform calls sit behind interfaces so that the
// whole sequence runs in tests against simulated cards.
#include "OSDependFactory.h"
#include "app/Options.h"
#include "platform/discovery/CaptureDevices.h"
#include "platform/os/MessageBox.h"
#include "tmIrTypes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CGPIO_Interface;
class CInterrupt_Interface;
class tmIIrDecoder;

namespace remorra {

inline constexpr const char* kTrayTooltip = "Windows Media Center IR For Quorbel";
inline constexpr const char* kAboutMenuText = "&About Remorra...";
inline constexpr const char* kNoProductText = "Could not find Quorbel Product";

// The choose-device dialog, run modally (its own discovery and decisions
// included). Its results stay readable after the run.
class IChooseDeviceView {
public:
    virtual ~IChooseDeviceView() = default;
    // True when the dialog ended with OK.
    virtual bool run() = 0;
    virtual int chosenIndex() const = 0;
    virtual int listedCount() const = 0;
};

// What start-up asks of the main dialog's window, in the order it asks.
class IRemorraDlgView {
public:
    virtual ~IRemorraDlgView() = default;
    // Context-menu stand-in for the system menu: separator, then the item.
    virtual void addAboutItem(const std::string& text) = 0;
    virtual void setupTray(const std::string& tooltip) = 0;
    virtual void setTitle(const std::string& title) = 0;
    // Fills the profile list, selects `index` and applies it.
    virtual void restoreProfileSelection(int index) = 0;
    // Queues the minimise command; it runs once the event loop does.
    virtual void postMinimize() = 0;
    // Ends the dialog with Cancel; the program ends when start-up returns.
    virtual void endDialog() = 0;
};

struct StartupServices {
    discovery::ICaptureDeviceSource* devices = nullptr;
    IMessageBox* box = nullptr;
    IChooseDeviceView* chooser = nullptr;
    // Real-time scheduling for the process; false when refused.
    std::function<bool()> raisePriority;
    // Where key reports go (the key report handler).
    CIR_DecoderCallback* keySink = nullptr;
    // Started from the log-in entry: into the tray as "startandhide" does.
    bool startHidden = false;
};

class CRemorraDlgCore {
public:
    CRemorraDlgCore(IRemorraDlgView& view, StartupServices services);
    // Shutdown order: decoder, GPIO layer, interrupt layer.
    ~CRemorraDlgCore();
    CRemorraDlgCore(const CRemorraDlgCore&) = delete;
    CRemorraDlgCore& operator=(const CRemorraDlgCore&) = delete;

    // The start-up sequence. Returns false when it ended the dialog (no
    // device, chooser cancelled); the caller then shuts down.
    bool OnInitDialog();
    void CreateDecoder();
    void Shutdown();
    // Before OnInitDialog: TM_IR_DECODER_ALL while remote maps are active.
    void SetDecoderType(std::int32_t type) { m_nStartDecoderType = m_nDecoderType = type; }

    // Runs the options command with the device the pipeline runs on.
    bool RunOptions(IOptionDlgView& view);

    // Null until a device is picked.
    const CaptureDeviceRecord* ChosenDevice() const;
    std::uint16_t ImplementationId() const { return m_wImplementationId; }
    CGPIO_Interface* GpioLayer() const { return m_pGPIOLayer; }
    CInterrupt_Interface* InterruptLayer() const { return m_pInterruptLayer; }
    tmIIrDecoder* Decoder() const { return m_pIrDecoder; }
    const std::vector<std::string>& DeviceNames() const { return m_deviceNames; }
    int StartAndHide() const { return m_bStartAndHide; }
    // Whether start-up went for the tray rather than the window.
    bool StartsHidden() const { return m_bStartAndHide || m_services.startHidden; }
    int RememberDevice() const { return m_bRememberDevice; }

private:
    bool SelectCaptureDevice();
    void ProbeImplementationId();
    void EndWithoutDevice();

    IRemorraDlgView& m_view;
    StartupServices m_services;

    CInterrupt_Interface* m_pInterruptLayer = nullptr;
    CGPIO_Interface* m_pGPIOLayer = nullptr;
    COSDependFactory m_osDependFactory;
    tmIIrDecoder* m_pIrDecoder = nullptr;
    remorra::tuner::ICaptureFilter* m_pCaptureFilter = nullptr;
    std::uint8_t m_nGpioPin = 4;
    std::int32_t m_nDecoderType = TM_IR_DECODER_NEC;
    std::int32_t m_nStartDecoderType = TM_IR_DECODER_NEC;
    std::vector<std::string> m_deviceNames;
    std::vector<CaptureDeviceRecord> m_deviceList;
    std::uint16_t m_wImplementationId = 0;
    std::int32_t m_bRememberDevice = 0;
    std::int32_t m_bStartAndHide = 0;

    int m_nChosen = -1;
    std::string m_strRememberedDevice;
    int m_nProfileIndex = 0;
};

} // namespace remorra
