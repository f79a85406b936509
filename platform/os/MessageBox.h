#pragma once
// Every user-visible report goes through this seam so that it can be checked
// without a display. The Qt front end installs a real one.
#include <string>
#include <vector>

namespace remorra {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgResult { Ok, Cancel, Yes, No, Retry };

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    virtual MsgResult show(const std::string& text, const std::string& caption,
                           MsgButtons buttons, MsgIcon icon) = 0;
};

// Records every report and answers from a queue (then the first button's
// affirmative answer: Ok or Yes).
class RecordingMessageBox : public IMessageBox {
public:
    struct Shown {
        std::string text, caption;
        MsgButtons buttons;
        MsgIcon icon;
    };
    MsgResult show(const std::string& text, const std::string& caption,
                   MsgButtons buttons, MsgIcon icon) override;
    void queueAnswer(MsgResult r) { m_answers.push_back(r); }

    std::vector<Shown> shown;

private:
    std::vector<MsgResult> m_answers;
};

} // namespace remorra
