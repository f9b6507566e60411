// The published growth model (Weissman, Hou and Fuhrman 2021, PNAS 118:e2016810118): a
// linear model of the Box-Cox transformed minimal doubling time on CUBHE, ConsistencyHE and
// CPB (the base model), or on these and the optimal growth temperature (the temperature
// model), fitted to the species of the Madin et al. (2020) trait table. Its fitted
// coefficients, their covariance matrix and the residual degrees of freedom give the
// prediction and the 95% confidence interval of the model's mean at a genome's statistics.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace kestrel {

inline constexpr std::size_t MaxGrowthTerms = 5;  // intercept, CUBHE, ConsistencyHE, CPB, OGT

struct GrowthModel {
    std::string_view name;
    std::size_t terms = 0;  // the first terms of intercept, CUBHE, ConsistencyHE, CPB, OGT
    std::array<double, MaxGrowthTerms> estimate{};
    std::array<std::array<double, MaxGrowthTerms>, MaxGrowthTerms> covariance{};
    int residualDf = 0;
    double t975 = 0;     // the 0.975 quantile of Student's t with residualDf degrees of freedom
    double lambda = 0;   // of the Box-Cox transform of the doubling time in hours
    int species = 0;     // the species it was fitted to
};

// Fitted to 334 species, extremophiles left out.
inline constexpr GrowthModel BaseGrowthModel{
    "base",
    4,
    {-1.0321684528975157, -7.5423988846683407, 15.141052092786792, 2.1032865999419514, 0},
    {{{0.47687944006172744, -0.036436964681429845, -0.79529032738558958, 0.098342245652195875, 0},
      {-0.036436964681429845, 0.17795929343880931, -0.22351449171172608, -0.083388836411459624, 0},
      {-0.79529032738558958, -0.22351449171172608, 2.0007554595549806, 0.23685423457903018, 0},
      {0.098342245652195875, -0.083388836411459624, 0.23685423457903018, 0.4309418902267122, 0},
      {0, 0, 0, 0, 0}}},
    330,
    1.9671786747533688,
    -0.14141414141414121,
    334};

// Fitted to 445 species, extremophiles included; the last term is the temperature in degrees C.
inline constexpr GrowthModel TemperatureGrowthModel{
    "temperature",
    5,
    {-0.36288429442158104, -7.3388035315666968, 14.958804663528364, 1.4686754987065933, -0.026697870903653834},
    {{{0.35376130796100586, -0.045435765909776167, -0.55503547361658312, 0.069534128842165546,
       -0.00016958000857744451},
      {-0.045435765909776167, 0.14609979470313991, -0.15278321505913806, -0.04828732862765156,
       0.00022963612600957918},
      {-0.55503547361658312, -0.15278321505913806, 1.3787729243518743, 0.13765195752947321,
       -9.4150548580393105e-05},
      {0.069534128842165546, -0.04828732862765156, 0.13765195752947321, 0.31494305076554446,
       0.00035670503026091391},
      {-0.00016958000857744451, 0.00022963612600957918, -9.4150548580393105e-05, 0.00035670503026091391,
       4.6102944212195303e-06}}},
    440,
    1.9653701191315587,
    -0.14141414141414121,
    445};

struct GrowthPrediction {
    double fit = 0;            // on the Box-Cox scale
    double standardError = 0;  // of the fit
    // The doubling time in hours and the ends of its 95% confidence interval; none where the
    // transform has no inverse (the fit or an end at 1 + lambda y <= 0: no finite time).
    std::optional<double> d, lower, upper;
};

// The inverse of the Box-Cox transform, (1 + lambda y)^(1 / lambda); none where
// 1 + lambda y <= 0 (for a negative lambda, a fit beyond which no time is finite).
std::optional<double> inverseBoxCox(double y, double lambda);

// The prediction at the predictors (CUBHE, ConsistencyHE, CPB, and OGT for the temperature
// model; the intercept is added): fit x.b, standard error sqrt(x' V x), the interval
// fit -+ t975 se, each transformed back.
GrowthPrediction predictDoublingTime(const GrowthModel& model, const std::array<double, MaxGrowthTerms - 1>& predictors);

}  // namespace kestrel
