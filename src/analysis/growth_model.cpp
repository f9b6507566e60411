#include "analysis/growth_model.hpp"

#include <algorithm>
#include <cmath>

namespace kestrel {

std::optional<double> inverseBoxCox(double y, double lambda) {
    const double base = 1.0 + lambda * y;
    if (!(base > 0)) return std::nullopt;
    const double d = std::pow(base, 1.0 / lambda);
    if (!std::isfinite(d)) return std::nullopt;
    return d;
}

GrowthPrediction predictDoublingTime(const GrowthModel& model, const std::array<double, MaxGrowthTerms - 1>& predictors) {
    std::array<double, MaxGrowthTerms> x{1.0};
    for (std::size_t i = 1; i < model.terms; ++i) x[i] = predictors[i - 1];
    GrowthPrediction prediction;
    double variance = 0;
    for (std::size_t i = 0; i < model.terms; ++i) {
        prediction.fit += x[i] * model.estimate[i];
        for (std::size_t j = 0; j < model.terms; ++j) variance += x[i] * model.covariance[i][j] * x[j];
    }
    prediction.standardError = std::sqrt(std::max(variance, 0.0));
    const double halfWidth = model.t975 * prediction.standardError;
    prediction.d = inverseBoxCox(prediction.fit, model.lambda);
    prediction.lower = inverseBoxCox(prediction.fit - halfWidth, model.lambda);
    prediction.upper = inverseBoxCox(prediction.fit + halfWidth, model.lambda);
    return prediction;
}

}  // namespace kestrel
