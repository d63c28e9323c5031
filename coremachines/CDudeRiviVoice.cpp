#include "coremachines/CDudeRiviVoice.h"
#include "coremachines/CRandom.h"
#include "coremachines/CWaveTables.h"
#include "coremachines/Units.h"
#include "coremachines/VectorOps.h"
#include "framework/CHost.h"
#include <algorithm>
#include <cmath>

using namespace dude;

namespace {

constexpr double kInitialVcoHz = 100.0;
constexpr double kInitialLfoHz = 10.0;
// Amplitude sends weaker than this are skipped.
constexpr double kAmpSendThreshold = 0.0001;

int32_t VcoShape(double x)
{
    switch (static_cast<int32_t>(3.0 * x)) {
    case 1:
        return CBlepOscillator::SHAPE_SQUARE;
    case 0:
        return CBlepOscillator::SHAPE_SAW;
    default:
        return x < 0.0 ? CBlepOscillator::SHAPE_SAW : CBlepOscillator::SHAPE_TRI_SQUARE;
    }
}

double SoftClip(double x)
{
    return std::abs(x) < 1.0 ? x - x * x * x / 3.0 : std::copysign(2.0 / 3.0, x);
}

double DigitalClip(double x)
{
    return std::clamp(x, -1.0, 1.0);
}

double Distort(double x)
{
    return std::clamp(1.5 * x - 0.5 * x * x * x, -1.0, 1.0);
}

} // namespace

CDudeRiviVoice::CDudeRiviVoice(CHost* host, const CWaveTables* tables, CRandom* random, WorkBuffers* work,
                               int32_t sampleRate, int32_t blockSize)
    : host(host), tables(tables), random(random), work(work), sampleRate(sampleRate), glide(host, sampleRate),
      osc1{CBlepOscillator(sampleRate, tables->Saw(), kInitialVcoHz, &tables->Step(), &tables->IntegratedStep())},
      osc2{CBlepOscillator(sampleRate, tables->Saw(), kInitialVcoHz, &tables->Step(), &tables->IntegratedStep())},
      lfos{{CTableOscillator(sampleRate, tables->Sine(), kInitialLfoHz)},
           {CTableOscillator(sampleRate, tables->Sine(), kInitialLfoHz)},
           {CTableOscillator(sampleRate, tables->Sine(), kInitialLfoHz)}},
      ampEnvelope(sampleRate), filterEnvelope(sampleRate), filter1{CMultiModeFilter(sampleRate)},
      filter2{CMultiModeFilter(sampleRate)}, formant(host, sampleRate),
      amplifier(CAmplifier::MODE_EXPONENTIAL, 1.0)
{
    for (Lfo& lfo : lfos)
        lfo.oscillator.SetRandomSource(random);
    SetBlockSize(blockSize);
}

void CDudeRiviVoice::SetSampleRate(int32_t hz)
{
    sampleRate = hz;
    glide.SetSampleRate(hz);
    osc1.vco.SetSampleRate(hz);
    osc2.vco.SetSampleRate(hz);
    for (Lfo& lfo : lfos)
        lfo.oscillator.SetSampleRate(hz);
    ampEnvelope.SetSampleRate(hz);
    filterEnvelope.SetSampleRate(hz);
    filter1.vcf.SetSampleRate(hz);
    filter2.vcf.SetSampleRate(hz);
    formant.SetSampleRate(hz);
}

void CDudeRiviVoice::SetBlockSize(int32_t frames)
{
    capacity = std::max(frames, 1);
    formant.SetBlockSize(capacity);
}

void CDudeRiviVoice::Queue(const MachineEvent& event)
{
    if (event.kind == EVENT_NOTE_ON || event.kind == EVENT_NOTE_ON_INT)
        note = event.NoteKey();
    else if (event.IsNoteOff())
        note = -1;
    queue.PushEvent(&event);
}

// --- events ---------------------------------------------------------------

void CDudeRiviVoice::Apply(const MachineEvent& event)
{
    switch (event.kind) {
    case EVENT_NOTE_ON:
    case EVENT_NOTE_ON_INT:
        StartNote(event.NoteKey(), event.value, event.frequency);
        break;
    case EVENT_NOTE_OFF:
    case EVENT_NOTE_OFF_INT:
        ampEnvelope.NoteOff();
        filterEnvelope.NoteOff();
        break;
    case EVENT_CONTROL_CHANGE:
        ApplyParameter(event.key, event.value);
        break;
    default:
        break;
    }
}

void CDudeRiviVoice::StartNote(int32_t key, double noteVelocity, double frequency)
{
    if (frequency <= 0.0 && host->GetNoteFrequency(key, &frequency) != 0)
        return;
    noteFrequency = frequency;
    velocity = noteVelocity;
    UpdateBaseFrequencies();
    glide.SetTargetNote(key);
    ampEnvelope.NoteOn();
    filterEnvelope.NoteOn();
    for (Lfo& lfo : lfos)
        lfo.fade = lfo.fadeTime > 0.0 ? 0.0 : 1.0;
}

void CDudeRiviVoice::UpdateBaseFrequencies()
{
    osc1.vco.SetBaseFrequency(noteFrequency, osc1.semitone);
    osc2.vco.SetBaseFrequency(noteFrequency, osc2.semitone, detune);
}

void CDudeRiviVoice::ApplyEnvelopeParameter(CEnvelopeADSR& envelope, int32_t which, double x)
{
    switch (which) {
    case 0:
        envelope.SetAttack(StageSeconds(x));
        break;
    case 1:
        envelope.SetDecay(StageSeconds(x));
        break;
    case 2:
        envelope.SetSustain(x);
        break;
    case 3:
        envelope.SetRelease(StageSeconds(x));
        break;
    case 4:
        envelope.SetAttackCurve(CurveConstant(x));
        break;
    case 5:
        envelope.SetDecayCurve(CurveConstant(x));
        break;
    default:
        envelope.SetReleaseCurve(CurveConstant(x));
        break;
    }
}

void CDudeRiviVoice::ApplyLfoParameter(Lfo& lfo, int32_t which, double x)
{
    switch (which) {
    case LFO_RATE:
        lfo.oscillator.SetOctave(13.0 * x - 12.0);
        break;
    case LFO_SHAPE: {
        lfo.shape = ChoiceIndex(x, 6);
        static constexpr WaveTable (CWaveTables::*kTables[])() const = {
            &CWaveTables::Sine, &CWaveTables::Triangle, &CWaveTables::Saw, &CWaveTables::Square};
        if (lfo.shape < 4)
            lfo.oscillator.SelectTable((tables->*kTables[lfo.shape])());
        break;
    }
    case LFO_FADE_IN:
        lfo.fadeTime = 8.0 * x * x * x;
        break;
    default: {
        const int32_t slot = (which - LFO_SEND_1) / 2;
        if ((which - LFO_SEND_1) % 2 == 0)
            lfo.send[slot] = DestinationIndex(x);
        else
            lfo.amount[slot] = x;
        break;
    }
    }
}

void CDudeRiviVoice::ApplyParameter(int32_t index, double x)
{
    if (index >= AMP_ATTACK && index <= AMP_RELEASE_CURVE) {
        ApplyEnvelopeParameter(ampEnvelope, index - AMP_ATTACK, x);
        return;
    }
    if (index >= FILTER_ATTACK && index <= FILTER_RELEASE_CURVE) {
        ApplyEnvelopeParameter(filterEnvelope, index - FILTER_ATTACK, x);
        return;
    }
    if (index >= LFO1_RATE && index < PARAMETER_COUNT) {
        const int32_t k = (index - LFO1_RATE) / kLfoParameters;
        ApplyLfoParameter(lfos[k], (index - LFO1_RATE) % kLfoParameters, x);
        return;
    }
    switch (index) {
    case VCO1_SHAPE:
        osc1.vco.SelectShape(VcoShape(x));
        break;
    case VCO2_SHAPE:
        osc2.vco.SelectShape(VcoShape(x));
        break;
    case VCO1_PULSE_WIDTH:
        osc1.pulseWidth = x;
        break;
    case VCO2_PULSE_WIDTH:
        osc2.pulseWidth = x;
        break;
    case VCO1_SEMITONE:
        osc1.semitone = x;
        UpdateBaseFrequencies();
        break;
    case VCO2_SEMITONE:
        osc2.semitone = x;
        UpdateBaseFrequencies();
        break;
    case VCO2_DETUNE:
        detune = x;
        UpdateBaseFrequencies();
        break;
    case VCO1_ENV_MOD:
        osc1.envMod = x;
        break;
    case VCO2_ENV_MOD:
        osc2.envMod = x;
        break;
    case SYNC:
        sync = static_cast<int32_t>(2.0 * x) >= 1;
        break;
    case VCF1_MODE:
    case VCF2_MODE: {
        CMultiModeFilter& vcf = index == VCF1_MODE ? filter1.vcf : filter2.vcf;
        vcf.SetMode(ChoiceIndex(x, 2));
        vcf.Clear();
        break;
    }
    case VCF1_CUTOFF:
        filter1.vcf.SetCutoff(12.0 * x);
        break;
    case VCF2_CUTOFF:
        filter2.vcf.SetCutoff(12.0 * x);
        break;
    case VCF1_RESONANCE:
        filter1.vcf.SetResonance(24.0 * x);
        break;
    case VCF2_RESONANCE:
        filter2.vcf.SetResonance(24.0 * x);
        break;
    case VCF1_KEY_FOLLOW:
        filter1.keyFollow = x;
        break;
    case VCF2_KEY_FOLLOW:
        filter2.keyFollow = x;
        break;
    case VCF1_ENV_MOD:
        filter1.envMod = x;
        break;
    case VCF2_ENV_MOD:
        filter2.envMod = x;
        break;
    case FILTER_ROUTING:
        routing = ChoiceIndex(x, 3);
        break;
    case FORMANT_MIX:
        formantMix = x;
        break;
    case FORMANT_VOWEL: {
        const int32_t vowel = ChoiceIndex(x, kVowelCount);
        if (vowel != formant.Vowel())
            formant.SetVowel(vowel);
        break;
    }
    case OSC_BALANCE:
        balance = x;
        break;
    case OSC_VOLUME:
        oscVolume = LevelGain(x);
        break;
    case NOISE:
        noiseLevel = LevelGain(x);
        break;
    case RING_MOD:
        ringLevel = LevelGain(x);
        break;
    case SATURATION:
        saturation = ChoiceIndex(x, 4);
        break;
    case OVERDRIVE:
        overdrive = BoostGain(x);
        break;
    case PORTAMENTO:
        glide.SetPortamentoTime(0.4 * x * x);
        break;
    case GLIDE:
        glide.SetGlideTime(0.4 * x * x);
        break;
    case SLIDE_CURVE:
        glide.SetCurve(CurveConstant(x));
        break;
    default:
        break;
    }
}

// --- rendering ------------------------------------------------------------

void CDudeRiviVoice::Render(double* left, double* right, int32_t count)
{
    int32_t position = 0;
    MachineEvent event;
    while (queue.PopEvent(&event)) {
        const int32_t at = std::clamp(event.time, position, count);
        RenderSpan(left + position, right + position, at - position);
        position = at;
        Apply(event);
    }
    RenderSpan(left + position, right + position, count - position);
}

void CDudeRiviVoice::RenderSpan(double* left, double* right, int32_t count)
{
    for (int32_t done = 0; done < count; done += capacity) {
        const int32_t n = std::min(capacity, count - done);
        RenderSegment(left + done, right + done, n);
    }
}

void CDudeRiviVoice::UpdateMatrix()
{
    for (auto& row : matrix)
        std::fill(std::begin(row), std::end(row), 0.0);
    for (int32_t k = 0; k < kLfoCount; ++k)
        for (int32_t s = 0; s < kLfoSends; ++s)
            matrix[lfos[k].send[s]][k] += lfos[k].amount[s];
}

bool CDudeRiviVoice::HasLfo(int32_t destination) const
{
    for (double amount : matrix[destination])
        if (amount != 0.0)
            return true;
    return false;
}

void CDudeRiviVoice::AddLfos(double* out, int32_t destination, int32_t count) const
{
    for (int32_t k = 0; k < kLfoCount; ++k)
        if (matrix[destination][k] != 0.0)
            VectorOps::ScaleAccumulate(tables->cpuFlags, out, work->buffer[LFO1 + k].Data(), count,
                                       matrix[destination][k], false);
}

void CDudeRiviVoice::RenderLfo(Lfo& lfo, double* out, int32_t count)
{
    bool heard = false;
    for (int32_t s = 0; s < kLfoSends; ++s)
        heard = heard || (lfo.send[s] != DEST_NONE && lfo.amount[s] != 0.0);
    switch (lfo.shape) {
    case 4:
        lfo.oscillator.RenderSampleAndHold(out, count);
        break;
    case 5:
        lfo.oscillator.RenderSampleAndGlide(out, count);
        break;
    default:
        // Nobody listens: keep the phase moving, skip the lookups.
        if (heard)
            lfo.oscillator.Render(out, count);
        else
            lfo.oscillator.Skip(count);
        break;
    }
    if (lfo.fade < 1.0) {
        const double step = lfo.fadeTime > 0.0 ? 1.0 / (sampleRate * lfo.fadeTime) : 1.0;
        for (int32_t i = 0; i < count; ++i) {
            out[i] *= lfo.fade;
            lfo.fade = std::min(1.0, lfo.fade + step);
        }
    }
}

void CDudeRiviVoice::RenderOscillator(Oscillator& osc, int32_t pitchDest, int32_t widthDest, int32_t ampDest,
                                      double* out, const double* syncIn, double* syncOut, int32_t count)
{
    const int32_t flags = tables->cpuFlags;
    // The transposition is in the base frequency already (applied once, as
    // the display shows it); the pitch buffer carries only modulation.
    double* pitch = Scratch(PITCH);
    VectorOps::ScaleAccumulate(flags, pitch, Scratch(SLIDE), count, 1.0, true);
    AddLfos(pitch, pitchDest, count);
    if (osc.envMod > 0.0)
        VectorOps::ScaleAccumulate(flags, pitch, Scratch(FILTER_ENV), count, osc.envMod * 8.0, false);

    // Without an LFO on it the width holds for the segment.
    double* width = nullptr;
    if (HasLfo(widthDest)) {
        width = Scratch(WIDTH);
        VectorOps::Fill(width, count, 2.0 * osc.pulseWidth - 1.0);
        AddLfos(width, widthDest, count);
    } else {
        osc.vco.SetFixedPulseWidth(2.0 * osc.pulseWidth - 1.0);
    }

    osc.vco.Render(out, count, pitch, width, syncIn, syncOut);
    for (int32_t k = 0; k < kLfoCount; ++k)
        if (std::abs(matrix[ampDest][k]) > kAmpSendThreshold)
            VectorOps::Modulate(flags, out, Scratch(static_cast<Buffer>(LFO1 + k)), count, matrix[ampDest][k]);
}

void CDudeRiviVoice::Mix(int32_t count)
{
    double* a = Scratch(PATH_A); // holds VCO1
    const double* vco2 = Scratch(VCO2_OUT);
    double* b = Scratch(PATH_B);
    const double drive = saturation != SATURATION_NONE ? overdrive : 1.0;
    const double v = oscVolume;
    if (routing == ROUTING_SPLIT) {
        for (int32_t i = 0; i < count; ++i) {
            a[i] = a[i] * (1.0 - balance) * v * drive;
            b[i] = vco2[i] * balance * v;
        }
        if (noiseLevel > 0.0)
            for (int32_t i = 0; i < count; ++i)
                b[i] += random->Noise() * noiseLevel;
        return;
    }
    if (noiseLevel <= 0.0 && ringLevel <= 0.0) {
        const double rest = 1.0 - balance;
        for (int32_t i = 0; i < count; ++i)
            a[i] = (a[i] * rest + vco2[i] * balance) * v;
    } else {
        MixWithNoiseAndRing(count);
    }
    if (routing == ROUTING_PARALLEL)
        std::copy(a, a + count, b);
    if (drive != 1.0)
        VectorOps::ScaleAccumulate(tables->cpuFlags, a, a, count, drive, true);
}

void CDudeRiviVoice::MixWithNoiseAndRing(int32_t count)
{
    double* a = Scratch(PATH_A);
    const double* vco2 = Scratch(VCO2_OUT);
    const double v = oscVolume;
    for (int32_t i = 0; i < count; ++i) {
        double mixed = (a[i] * (1.0 - balance) + vco2[i] * balance) * v;
        if (noiseLevel > 0.0)
            mixed += random->Noise() * noiseLevel;
        if (ringLevel > 0.0)
            mixed += a[i] * vco2[i] * ringLevel;
        a[i] = mixed;
    }
}

const double* CDudeRiviVoice::FilterOffsets(const Filter& filter, int32_t pitchDest, int32_t resonanceDest,
                                            double* cutoff, double* resonance, int32_t count)
{
    const int32_t flags = tables->cpuFlags;
    VectorOps::ScaleAccumulate(flags, cutoff, Scratch(FILTER_ENV), count, filter.envMod * 8.0 * (velocity + 0.5),
                               true);
    VectorOps::ScaleAccumulate(flags, cutoff, Scratch(SLIDE), count, (filter.keyFollow - 0.5) * 2.0, false);
    AddLfos(cutoff, pitchDest, count);
    if (!HasLfo(resonanceDest))
        return nullptr;
    VectorOps::Fill(resonance, count, 0.0);
    AddLfos(resonance, resonanceDest, count);
    return resonance;
}

void CDudeRiviVoice::FilterInSeries(double* signal, const double* cutoff1, const double* resonance1,
                                    const double* cutoff2, const double* resonance2, int32_t count)
{
    const auto run = [&](auto between) {
        CMultiModeFilter::RenderSeries(filter1.vcf, cutoff1, resonance1, filter2.vcf, cutoff2, resonance2, signal,
                                       count, between);
    };
    switch (saturation) {
    case SATURATION_SOFT_CLIP:
        run(SoftClip);
        break;
    case SATURATION_DIGITAL:
        run(DigitalClip);
        break;
    case SATURATION_DISTORT:
        run(Distort);
        break;
    default:
        run([](double x) { return x; });
        break;
    }
}

void CDudeRiviVoice::Saturate(double* x, int32_t count) const
{
    switch (saturation) {
    case SATURATION_SOFT_CLIP:
        for (int32_t i = 0; i < count; ++i)
            x[i] = SoftClip(x[i]);
        break;
    case SATURATION_DIGITAL:
        for (int32_t i = 0; i < count; ++i)
            x[i] = DigitalClip(x[i]);
        break;
    case SATURATION_DISTORT:
        for (int32_t i = 0; i < count; ++i)
            x[i] = Distort(x[i]);
        break;
    default:
        break;
    }
}

void CDudeRiviVoice::RenderSegment(double* left, double* right, int32_t count)
{
    if (!ampEnvelope.IsActive()) {
        // Idle: nothing to add, and no ringing left for the next note.
        if (!settled) {
            filter1.vcf.Clear();
            filter2.vcf.Clear();
            formant.Clear();
            settled = true;
        }
        return;
    }
    settled = false;
    UpdateMatrix();
    filterEnvelope.Render(Scratch(FILTER_ENV), count);
    for (int32_t k = 0; k < kLfoCount; ++k)
        RenderLfo(lfos[k], Scratch(static_cast<Buffer>(LFO1 + k)), count);
    glide.Render(Scratch(SLIDE), count);

    double* syncLine = sync ? Scratch(SYNC) : nullptr;
    RenderOscillator(osc1, DEST_VCO1_PITCH, DEST_VCO1_PULSE_WIDTH, DEST_VCO1_AMP, Scratch(PATH_A), nullptr,
                     syncLine, count);
    RenderOscillator(osc2, DEST_VCO2_PITCH, DEST_VCO2_PULSE_WIDTH, DEST_VCO2_AMP, Scratch(VCO2_OUT),
                     syncLine, nullptr, count);
    Mix(count);

    double* a = Scratch(PATH_A);
    double* b = Scratch(PATH_B);
    if (formantMix > 0.0) {
        double* shaped = Scratch(PITCH);
        formant.Render(a, shaped, count);
        for (int32_t i = 0; i < count; ++i)
            a[i] = a[i] * (1.0 - formantMix) + shaped[i] * formantMix;
    }
    double* cutoff1 = Scratch(PITCH);
    const double* resonance1 =
        FilterOffsets(filter1, DEST_VCF1_PITCH, DEST_VCF1_RESONANCE, cutoff1, Scratch(WIDTH), count);
    if (routing == ROUTING_SERIAL) {
        // VCO2's output and path B are free in series.
        double* cutoff2 = Scratch(VCO2_OUT);
        const double* resonance2 =
            FilterOffsets(filter2, DEST_VCF2_PITCH, DEST_VCF2_RESONANCE, cutoff2, Scratch(PATH_B), count);
        FilterInSeries(a, cutoff1, resonance1, cutoff2, resonance2, count);
    } else {
        filter1.vcf.Render(a, count, cutoff1, resonance1);
        Saturate(a, count);
        // The first filter is done with its offsets' buffers.
        double* cutoff2 = Scratch(PITCH);
        const double* resonance2 =
            FilterOffsets(filter2, DEST_VCF2_PITCH, DEST_VCF2_RESONANCE, cutoff2, Scratch(WIDTH), count);
        filter2.vcf.Render(b, count, cutoff2, resonance2);
    }

    double* envelope = Scratch(SYNC);
    ampEnvelope.Render(envelope, count);
    amplifier.Render(a, envelope, count);
    if (routing == ROUTING_SERIAL) {
        for (int32_t i = 0; i < count; ++i) {
            left[i] += a[i];
            right[i] += a[i];
        }
        return;
    }
    amplifier.Render(b, envelope, count);
    for (int32_t i = 0; i < count; ++i) {
        left[i] += a[i];
        right[i] += b[i];
    }
}
