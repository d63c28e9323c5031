#pragma once
#include "framework/CMutex.h"
#include "ui/ColorRef.h"
#include <cstdint>

class QBrush;
class QPen;

// Numbered colours shared by a window tree; a child manager overrides single
// numbers and inherits the rest. Brushes and pens are cached per number and
// made on first use, so drawing code holds the lock (this manager, then its
// parents) around a sequence of requests and the drawing that uses them.
class CColorManager : public CMutex {
public:
    static constexpr int32_t kColorCount = 42;

    // A root manager with the default colours.
    CColorManager();
    // A child: every number inherited from the parent until set here.
    explicit CColorManager(CColorManager* parent);
    ~CColorManager() override;

    ColorRef GetColor(int32_t number);
    // Valid while the caller holds this manager's lock and the colour is not
    // set again.
    const QBrush* GetBrush(int32_t number);
    const QPen* GetPen(int32_t number);
    void SetColor(int32_t number, ColorRef value);

    void Lock() override;
    void Unlock() override;

    CColorManager* GetParent() const { return parent; }

private:
    CColorManager* Owner(int32_t number);
    void DeleteCached(int32_t number);
    ColorRef Stored(int32_t number) const { return colors[scheme * kColorCount + number]; }

    int32_t scheme = 0;
    ColorRef* colors;
    QBrush* brushes[kColorCount] = {};
    QPen* pens[kColorCount] = {};
    bool inherited[kColorCount];
    CColorManager* parent;
};
