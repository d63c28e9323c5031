#include "studio/view/CCableVolumeSlider.h"
#include "framework/Errors.h"
#include "studio/CConnection.h"
#include "studio/CStudio.h"
#include "studio/CableVolume.h"

CCableVolumeSlider::CCableVolumeSlider(CControl* parent, CStudio* studio)
    : CSlider(parent, 0, 0, kWidth, kHeight), studio(studio)
{
}

void CCableVolumeSlider::Bind(CConnection* cable)
{
    connection = cable;
    if (connection)
        SetValue(CableGainToSliderPosition(connection->GetTargetVolume()));
    UpdateTip();
}

double CCableVolumeSlider::GetDecibels() const
{
    return (GetValue() - 1.0) * 90.0;
}

void CCableVolumeSlider::ValueChanged(double value)
{
    if (!connection)
        return;
    connection->SetTargetVolume(SliderPositionToCableGain(value));
    studio->MarkChanged();
    UpdateTip();
}

void CCableVolumeSlider::UpdateTip()
{
    SetTipText(FormatText("%.1f dB", GetDecibels()).c_str());
}
