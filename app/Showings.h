#pragma once

#include <QShowEvent>

#include <utility>

namespace quillmere {

// Tells a view's showings apart. The first one the program makes is served by what the view was
// made with; each later one the program makes is when the view reads its data again. A showing the
// window system makes (a window restored from the dock or another desktop) is neither: nothing
// the view shows has been away.
class Showings {
public:
    // Whether this showing is one the program makes after its first.
    bool isRepeat(const QShowEvent* event) {
        if (event->spontaneous())
            return false;
        return !std::exchange(m_first, false);
    }

private:
    bool m_first = true;
};

} // namespace quillmere
