// Writes the profile whose full apply the kernel test replays: settings away from the
// defaults, a macro with a long delay, and a recoil pattern long enough to need three download
// slots, so that every report kind and the packet form of the downloads are exercised.
//   make-apply-profile OUT.pro
#include "profiles/ProfileExchange.h"
#include "profiles/ProfileRecord.h"

#include <cstdio>

using namespace kestrin;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-apply-profile OUT.pro\n");
        return 2;
    }
    auto profile = NewProfileRecord(u"Kernel test");
    profile->dpiX[2] = 40;
    profile->stageEnabled[6] = 1;
    profile->dpiX[6] = 300;
    profile->currentDpiStage = 2;
    profile->reportRate = 3;
    profile->lightingMode = 1;
    profile->brightness = 7;
    profile->sleepTimer = 0x5A;
    profile->lightingColor = {0x12, 0xAB, 0xEF, 0};

    ButtonSlot& macro = profile->buttons[3];
    macro.functionCode = kFunctionMacro;
    macro.stepCount = 4;
    macro.macroCopy[0] = {0x04, 1, 250};
    macro.macroCopy[1] = {0x04, 2, 3};
    macro.macroCopy[2] = {0xF1, 1, 40};
    macro.macroCopy[3] = {0xF1, 2, 1000};

    ButtonSlot& pattern = profile->buttons[4];
    pattern.functionCode = kFunctionRecoilPattern;
    pattern.playMode = kPatternPlayMode;
    pattern.repeatCount = 2;
    pattern.stepCount = 20;
    for (int k = 0; k < 20; ++k)
        pattern.patternCopy[k] = {k - 10, 3 * k, 0, static_cast<uint16_t>(k == 19 ? 150 : 30)};

    const SaveResult saved = WriteProfileFile(argv[1], *profile);
    if (!saved) {
        std::fprintf(stderr, "make-apply-profile: %s\n", saved.error.c_str());
        return 1;
    }
    return 0;
}
