// The rules that turn the effect dialog's set-up and the user's choices into
// the values read after OK.
#include "dialog/ModeSetup.h"

namespace {

bool isByteColour(RgbColour colour)
{
    const auto inByte = [](int v) { return v >= 0 && v <= 255; };
    return inByte(colour.red) && inByte(colour.green) && inByte(colour.blue);
}

std::string sliderProblem(const char* name, bool shown, const SliderSetup& slider, int value)
{
    if (!shown) {
        return std::string("this mode has no ") + name + " slider";
    }
    if (!slider.contains(value)) {
        return std::string(name) + " " + std::to_string(value) + " is outside its range " +
               std::to_string(slider.minimum) + ".." + std::to_string(slider.maximum);
    }
    return {};
}

} // namespace

EffectValues startValues(const ModeSetup& setup)
{
    // Unconfigured sliders keep position 0, loaded from the zero values.
    EffectValues values;
    values.strengthValue = setup.strength.position;
    values.effectValue = setup.effect.position;
    values.precisionValue = setup.precision.position;
    values.targetColour = setup.targetColour;
    values.lightColour = setup.lightColour;
    return values;
}

RgbColour lightColourAtPaint(int mode, RgbColour targetColour, RgbColour lightColour)
{
    return mode == 18 ? targetColour : lightColour;
}

void takeSampledColour(int mode, EffectValues& values, RgbColour sampled)
{
    values.targetColour = sampled;
    if (mode == 30) {
        values.lightColour = sampled;
    }
}

std::string checkChoices(const ModeSetup& setup, const DialogChoices& choices)
{
    std::string problem;
    if (choices.strength && problem.empty()) {
        problem = sliderProblem("strength", setup.showsStrength, setup.strength, *choices.strength);
    }
    if (choices.effect && problem.empty()) {
        problem = sliderProblem("effect", setup.showsEffect, setup.effect, *choices.effect);
    }
    if (choices.precision && problem.empty()) {
        problem = sliderProblem("precision", setup.showsPrecision, setup.precision, *choices.precision);
    }
    if (choices.sampledColour && problem.empty()) {
        if (!setup.showsSampling) {
            problem = "this mode samples no target colour";
        } else if (!isByteColour(*choices.sampledColour)) {
            problem = "target colour components must lie in 0..255";
        }
    }
    if (choices.lightSliders && problem.empty()) {
        if (!setup.showsLight) {
            problem = "this mode has no light colour sliders";
        } else if (!isByteColour(*choices.lightSliders)) {
            problem = "light colour components must lie in 0..255";
        }
    }
    return problem;
}

EffectValues valuesAfterOk(const ModeSetup& setup, const DialogChoices& choices)
{
    EffectValues values = startValues(setup);
    values.strengthValue = choices.strength.value_or(values.strengthValue);
    values.effectValue = choices.effect.value_or(values.effectValue);
    values.precisionValue = choices.precision.value_or(values.precisionValue);
    if (choices.lightSliders) {
        values.lightColour = *choices.lightSliders;
    }
    if (choices.sampledColour) {
        takeSampledColour(setup.mode, values, *choices.sampledColour);
    }
    // The dialog has painted at least once before OK.
    values.lightColour = lightColourAtPaint(setup.mode, values.targetColour, values.lightColour);
    return values;
}
