#pragma once
// COM on the calling thread for the parts that reach system components through
// it (device discovery, the capture filter). Where the platform has no COM
// this does nothing. Destroy it on the thread that created it.
namespace remorra::os {

class ComApartment {
public:
    enum class Model { Apartment, Free };
    explicit ComApartment(Model model = Model::Apartment);
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    // False only when COM could not be made usable on this thread (a thread
    // already in the other model counts as usable).
    bool usable() const { return m_state != State::Unusable; }

private:
    // Owned: this object initialised COM and uninitialises it.
    enum class State : unsigned char { Unusable, Borrowed, Owned };
    State m_state = State::Unusable;
};

} // namespace remorra::os
