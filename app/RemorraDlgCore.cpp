#include "app/RemorraDlgCore.h"

#include "app/Config.h"
#include "app/Version.h"
#include "platform/os/AppLog.h"
#include "platform/tuner/GPIO_Interface.h"
#include "platform/tuner/Interrupt_Interface.h"
#include "platform/tuner/KsWire.h"
#include "tmIR_Decoder.h"

#include <new>

namespace remorra {

CRemorraDlgCore::CRemorraDlgCore(IRemorraDlgView& view, StartupServices services)
    : m_view(view), m_services(std::move(services))
{
    m_deviceNames.reserve(10);
    m_deviceList.reserve(10);
}

CRemorraDlgCore::~CRemorraDlgCore() { Shutdown(); }

void CRemorraDlgCore::Shutdown()
{
    // The front end unregisters its edge events through the layers, so it
    // goes first. A key being handled on the interrupt thread (strokes and
    // the 100 ms hold-off run inside the front end's callback) must be over
    // before the front end goes, so that thread ends first; the layer object
    // itself still goes last.
    if (m_pInterruptLayer)
        m_pInterruptLayer->StopThread();
    delete m_pIrDecoder;
    m_pIrDecoder = nullptr;
    delete m_pGPIOLayer;
    m_pGPIOLayer = nullptr;
    delete m_pInterruptLayer;
    m_pInterruptLayer = nullptr;
}

bool CRemorraDlgCore::OnInitDialog()
{
    m_view.addAboutItem(kAboutMenuText);
    m_view.setupTray(kTrayTooltip);
    m_view.setTitle("Remorra " + GetVersionString());

    const std::string file = ConfigFilePath();
    m_bStartAndHide = ReadConfigInt(file, "Config", "startandhide");
    m_bRememberDevice = ReadConfigInt(file, "Config", "bRememberDevice");
    m_strRememberedDevice = ReadConfigValue(file, "Config", "strDevName");
    m_nProfileIndex = ReadConfigInt(file, "Config", "selectplayernumber");

    m_pInterruptLayer = nullptr;
    m_pGPIOLayer = nullptr;
    m_pIrDecoder = nullptr;
    m_wImplementationId = 0;

    if (m_services.devices && m_services.box)
        discovery::FindFilterByName(m_deviceList, *m_services.devices, *m_services.box, "Remorra");
    if (m_deviceList.empty()) {
        EndWithoutDevice();
        return false;
    }
    for (std::size_t i = 0; i < m_deviceList.size(); ++i)
        m_deviceNames.push_back(DeviceDisplayText(static_cast<int>(i), m_deviceList[i].m_strFriendlyName));

    if (!SelectCaptureDevice())
        return false;
    m_pCaptureFilter = m_deviceList[static_cast<std::size_t>(m_nChosen)].m_pCaptureFilter.get();

    ProbeImplementationId();

    if (m_pCaptureFilter) {
        m_pGPIOLayer = new (std::nothrow) CGPIO_Interface(m_pCaptureFilter, m_wImplementationId);
        if (!m_pGPIOLayer)
            WriteLog(L"Could not create GPIO layer!");
        m_pInterruptLayer = new (std::nothrow) CInterrupt_Interface(m_wImplementationId, m_pCaptureFilter);
        if (m_pInterruptLayer)
            WriteLog(L"Interrupt Thread create success!");
        else
            WriteLog(L"Could not create Interrupt layer!");
    } else {
        WriteLog(L"No capture device found!");
    }

    m_nGpioPin = 4;
    if (m_wImplementationId != 0 && m_pGPIOLayer) {
        if (m_pGPIOLayer->tmISetPinDirection(0x10, 0x10) != 0)
            WriteLog(L"Could not set GPIO pin to input!");
    }

    // NEC alone, unless remote maps asked for every protocol.
    m_nDecoderType = m_nStartDecoderType;
    CreateDecoder();

    m_view.restoreProfileSelection(m_nProfileIndex);

    if (!m_services.raisePriority || !m_services.raisePriority())
        WriteLog(L"SetPriorityClass faild!");

    if (StartsHidden())
        m_view.postMinimize();
    return true;
}

void CRemorraDlgCore::EndWithoutDevice()
{
    if (m_services.box)
        m_services.box->show(kNoProductText, "Info", MsgButtons::Ok, MsgIcon::Error);
    m_view.endDialog();
}

bool CRemorraDlgCore::SelectCaptureDevice()
{
    if (m_bRememberDevice) {
        for (std::size_t i = 0; i < m_deviceNames.size(); ++i) {
            if (m_deviceNames[i] == m_strRememberedDevice) {
                m_nChosen = static_cast<int>(i);
                return true;
            }
        }
    }
    m_bRememberDevice = 0;
    WriteConfigValue(ConfigFilePath(), "Config", "bRememberDevice", "0");

    IChooseDeviceView* chooser = m_services.chooser;
    if (!chooser || !chooser->run()) {
        m_view.endDialog();
        return false;
    }
    const int index = chooser->chosenIndex();
    // The chooser discovers on its own; an index its list had but start-up's
    // has not (a device that came in between) names no device here.
    if (chooser->listedCount() == 0 || index < 0 ||
        index >= static_cast<int>(m_deviceList.size())) {
        EndWithoutDevice();
        return false;
    }
    m_nChosen = index;
    return true;
}

void CRemorraDlgCore::ProbeImplementationId()
{
    m_wImplementationId = tuner::kFirstProbeId;
    bool found = false;
    if (m_pCaptureFilter && m_pCaptureFilter->offersControl()) {
        int sent = 0;
        const std::uint16_t id = tuner::probeImplementationId(m_pCaptureFilter, &sent);
        found = id != 0;
        // The candidate at the end of the loop: one below the last id tried
        // when none answered.
        const int candidate = found ? id : tuner::kFirstProbeId - sent;
        WriteLog(L"m_wImplementationId %d", candidate);
        if (found)
            m_wImplementationId = id;
    }
    if (!found) {
        m_wImplementationId = 0;
        WriteLog(L"Could not find any suitable devices");
    }
}

void CRemorraDlgCore::CreateDecoder()
{
    delete m_pIrDecoder;
    m_pIrDecoder = nullptr;
    const tmIrHwInfo hw{m_nDecoderType, m_nGpioPin, 0, TM_IR_CAPTURE_EDGE};
    m_pIrDecoder = new (std::nothrow)
        tmIIrDecoder(m_services.keySink, m_pGPIOLayer, m_pInterruptLayer, &m_osDependFactory, &hw);
}

bool CRemorraDlgCore::RunOptions(IOptionDlgView& view)
{
    StartOptions options{m_bStartAndHide, m_bRememberDevice};
    DeviceInUse inUse;
    const CaptureDeviceRecord* record = ChosenDevice();
    if (record) {
        inUse.index = m_nChosen;
        inUse.displayText = m_deviceNames[static_cast<std::size_t>(m_nChosen)];
    }
    const bool ok = RunOptionsCommand(view, options, record ? &inUse : nullptr);
    m_bStartAndHide = options.startAndHide;
    m_bRememberDevice = options.rememberDevice;
    return ok;
}

const CaptureDeviceRecord* CRemorraDlgCore::ChosenDevice() const
{
    if (m_nChosen < 0 || m_nChosen >= static_cast<int>(m_deviceList.size()))
        return nullptr;
    return &m_deviceList[static_cast<std::size_t>(m_nChosen)];
}

} // namespace remorra
