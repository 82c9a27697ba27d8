#pragma once

// Scalar constants of G.729 (main body, floating point).

namespace orv::g729 {

constexpr int kOrder = 10;     // LP order M
constexpr int kFrame = 80;     // samples per frame (10 ms)
constexpr int kSubframe = 40;  // samples per subframe (5 ms)
constexpr int kWindow = 240;   // LP analysis window, also the speech buffer length
constexpr int kLookAhead = 40; // samples of the next frame seen by the LP analysis
constexpr int kPitMin = 20;
constexpr int kPitMax = 143;
constexpr int kInterpolLen = 11; // excitation history kept beyond kPitMax for interpolation
constexpr int kInter10 = 10;     // half length of the excitation interpolation filter
constexpr int kInter4 = 4;       // half length of the correlation interpolation filter
constexpr int kUpSamp = 3;       // 1/3-sample pitch resolution
constexpr int kGridPoints = 60;

constexpr float kThreshPit = 0.85f;
constexpr float kGainPitMax = 1.2f;
constexpr float kSharpMax = 0.7945f;
constexpr float kSharpMin = 0.2f;
constexpr float kThreshFcb = 0.40f;
constexpr int kMaxTime = 75;

// LSF quantiser.
constexpr float kLLimit = 0.005f;
constexpr float kMLimit = 3.135f;
constexpr float kGap1 = 0.0012f;
constexpr float kGap2 = 0.0006f;
constexpr float kGap3 = 0.0392f;
constexpr float kPi04 = 0.12566370614359174f;
constexpr float kPi92 = 2.8902652413026098f;
constexpr float kConst12 = 1.2f;

// Perceptual weighting.
constexpr float kThreshL1 = -1.74f;
constexpr float kThreshL2 = -1.52f;
constexpr float kThreshH1 = 0.65f;
constexpr float kThreshH2 = 0.43f;
constexpr float kGamma1Sharp = 0.98f; // GAMMA1_0 (smooth = 0)
constexpr float kGamma2SharpHigh = 0.7f;
constexpr float kGamma2SharpLow = 0.4f;
constexpr float kGamma1Smooth = 0.94f; // GAMMA1_1 (smooth = 1)
constexpr float kGamma2Smooth = 0.6f;
constexpr float kAlpha = -6.0f;
constexpr float kBeta = 1.0f;

// Taming.
constexpr float kGpClip = 0.95f;
constexpr float kGpClip2 = 0.94f;
constexpr float kGp0999 = 0.9999f;
constexpr float kThreshErr = 60000.0f;

// Gain quantiser.
constexpr float kMeanEner = 36.0f;
constexpr int kNCode1 = 8;
constexpr int kNCode2 = 16;
constexpr int kNCan1 = 4;
constexpr int kNCan2 = 8;
constexpr float kInvCoef = -0.032623f;

// Postfilter.
constexpr float kGamma1Pst = 0.7f;
constexpr float kGamma2Pst = 0.55f;
constexpr int kLongHSt = 20;
constexpr float kGamma3Plus = 0.2f;
constexpr float kGamma3Minus = 0.9f;
constexpr int kUpPst = 8;
constexpr int kLh2S = 4;
constexpr int kLh2L = 16;
constexpr int kLhUpS = 2;
constexpr int kLhUpL = 8;
constexpr float kThresCrit = 0.5f;
constexpr float kGammaG = 0.5f;
constexpr float kAgcFac = 0.9875f;
constexpr float kAgcFac1 = 1.0f - kAgcFac;
constexpr float kMinGpLt = 1.0f / (1.0f + kGammaG);
constexpr int kMemRes2 = kPitMax + 1 + kLhUpL; // 152

// Decoder concealment.
constexpr int kDecOldT0Init = 60;
constexpr float kErasePitFactor = 0.9f;
constexpr float kErasePitMax = 0.9f;
constexpr float kEraseCodeFactor = 0.98f;
constexpr float kPastQuaEnInit = -14.0f;

} // namespace orv::g729
