// A Canvas that writes every call as one text line ("pen Frame", "line 50,5-450,5",
// "text 12,300 S/N"), so the diagram tests read a repaint as a list of drawing steps.
#pragma once

#include <string>
#include <vector>

#include "diagram/canvas.h"

namespace tarvos::testing {

inline std::string Pt(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
inline std::string Line(int x1, int y1, int x2, int y2) { return "line " + Pt(x1, y1) + "-" + Pt(x2, y2); }

class RecordingCanvas : public Canvas {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    void Begin(int scale, bool onPaper) override {
        calls.push_back("begin " + std::to_string(scale) + (onPaper ? " paper" : " screen"));
    }
    void SetPen(PenRole pen) override {
        static constexpr const char* kNames[] = {"Grid",   "Frame",       "Measured", "ZeroLink",
                                                 "Theory", "MarkerShaft", "Marker",
                                                 "Overlay1", "Overlay2", "Overlay3", "Overlay4",
                                                 "Overlay5", "Overlay6", "OverlayLink1",
                                                 "OverlayLink2", "OverlayLink3", "OverlayLink4",
                                                 "OverlayLink5", "OverlayLink6"};
        calls.push_back(std::string("pen ") + kNames[static_cast<int>(pen)]);
    }
    void MoveTo(Point p) override {
        at_ = p;
        calls.push_back("move " + Pt(p.x, p.y));
    }
    void LineTo(Point p) override {
        calls.push_back(Line(at_.x, at_.y, p.x, p.y));
        at_ = p;
    }
    void Rectangle(Rect r) override { calls.push_back("rect " + Corners(r)); }
    void FillWhite(Rect r) override { calls.push_back("fill " + Corners(r)); }
    void Text(Point p, const std::string& text) override {
        calls.push_back("text " + Pt(p.x, p.y) + " " + text);
    }
    void SetInvert(bool invert) override { calls.push_back(invert ? "invert on" : "invert off"); }

    std::size_t Find(const std::string& call) const {
        for (std::size_t i = 0; i < calls.size(); ++i) {
            if (calls[i] == call) return i;
        }
        return npos;
    }
    bool Has(const std::string& call) const { return Find(call) != npos; }
    // `count` calls from `from` on (fewer at the end).
    std::vector<std::string> From(std::size_t from, std::size_t count) const {
        std::vector<std::string> out;
        for (std::size_t i = from; i < calls.size() && out.size() < count; ++i) out.push_back(calls[i]);
        return out;
    }
    // The pen selected last before call `index`.
    std::string PenAt(std::size_t index) const {
        for (std::size_t i = index < calls.size() ? index : calls.size(); i-- > 0;) {
            if (calls[i].starts_with("pen ")) return calls[i].substr(4);
        }
        return "";
    }

    std::vector<std::string> calls;

private:
    static std::string Corners(Rect r) { return Pt(r.left, r.top) + "," + Pt(r.right, r.bottom); }

    Point at_;
};

}  // namespace tarvos::testing
