#include "ui/CColorManager.h"
#include "framework/Errors.h"
#include <QBrush>
#include <QColor>
#include <QPen>

namespace {

constexpr ColorRef kDefaultColors[CColorManager::kColorCount] = {
    MakeColor(0, 0, 0),       MakeColor(255, 255, 255), MakeColor(32, 32, 32),    MakeColor(64, 64, 64),
    MakeColor(240, 240, 240), MakeColor(128, 128, 128), MakeColor(96, 96, 96),    MakeColor(64, 64, 64),
    MakeColor(51, 51, 51),    MakeColor(0, 0, 0),       MakeColor(240, 240, 240), MakeColor(0, 0, 0),
    MakeColor(204, 150, 0),   MakeColor(255, 187, 0),   MakeColor(153, 112, 0),   MakeColor(204, 150, 0),
    MakeColor(240, 240, 240), MakeColor(0, 0, 0),       MakeColor(0, 0, 0),       MakeColor(240, 240, 240),
    MakeColor(64, 64, 64),    MakeColor(96, 96, 96),    MakeColor(128, 128, 128), MakeColor(0, 0, 0),
    MakeColor(0, 16, 0),      MakeColor(255, 187, 0),   MakeColor(153, 112, 0),   MakeColor(204, 150, 0),
    MakeColor(229, 168, 0),   MakeColor(0, 0, 0),       MakeColor(32, 32, 32),    MakeColor(160, 160, 160),
    MakeColor(0, 0, 0),       MakeColor(240, 240, 240), MakeColor(204, 150, 0),   MakeColor(0, 0, 0),
    MakeColor(204, 150, 0),   MakeColor(0, 0, 0),       MakeColor(0, 240, 0),     MakeColor(240, 240, 0),
    MakeColor(240, 0, 0),     MakeColor(204, 150, 0),
};

void CheckNumber(int32_t number)
{
    // Negative numbers would index before the table: refused like 42.
    if (number < 0 || number >= CColorManager::kColorCount)
        Raise("ColorManager: Invalid Color Requested");
}

QColor ToQColor(ColorRef c)
{
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

} // namespace

CColorManager::CColorManager() : colors(new ColorRef[kColorCount]), parent(nullptr)
{
    for (int32_t i = 0; i < kColorCount; ++i) {
        colors[i] = kDefaultColors[i];
        inherited[i] = false;
    }
}

CColorManager::CColorManager(CColorManager* parent) : colors(new ColorRef[kColorCount]), parent(parent)
{
    for (int32_t i = 0; i < kColorCount; ++i) {
        colors[i] = 0;
        inherited[i] = parent != nullptr;
    }
}

CColorManager::~CColorManager()
{
    for (int32_t i = 0; i < kColorCount; ++i)
        DeleteCached(i);
    delete[] colors;
}

CColorManager* CColorManager::Owner(int32_t number)
{
    CheckNumber(number);
    CColorManager* owner = this;
    while (owner->inherited[number] && owner->parent)
        owner = owner->parent;
    return owner;
}

ColorRef CColorManager::GetColor(int32_t number)
{
    CLockGuard<CColorManager> lock(*this);
    CColorManager* owner = Owner(number);
    return owner->Stored(number);
}

const QBrush* CColorManager::GetBrush(int32_t number)
{
    CLockGuard<CColorManager> lock(*this);
    CColorManager* owner = Owner(number);
    if (!owner->brushes[number])
        owner->brushes[number] = new QBrush(ToQColor(owner->Stored(number)), Qt::SolidPattern);
    return owner->brushes[number];
}

const QPen* CColorManager::GetPen(int32_t number)
{
    CLockGuard<CColorManager> lock(*this);
    CColorManager* owner = Owner(number);
    if (!owner->pens[number]) {
        QPen* pen = new QPen(ToQColor(owner->Stored(number)));
        pen->setWidth(1);
        pen->setStyle(Qt::SolidLine);
        owner->pens[number] = pen;
    }
    return owner->pens[number];
}

void CColorManager::SetColor(int32_t number, ColorRef value)
{
    CheckNumber(number);
    CLockGuard<CColorManager> lock(*this);
    DeleteCached(number);
    colors[scheme * kColorCount + number] = value;
    inherited[number] = false;
}

void CColorManager::DeleteCached(int32_t number)
{
    delete brushes[number];
    brushes[number] = nullptr;
    delete pens[number];
    pens[number] = nullptr;
}

void CColorManager::Lock()
{
    CMutex::Lock();
    if (parent)
        parent->Lock();
}

void CColorManager::Unlock()
{
    CMutex::Unlock();
    if (parent)
        parent->Unlock();
}
