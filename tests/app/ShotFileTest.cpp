#include <H5Cpp.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/ShotFile.h"
#include "app/support/TempDir.h"

namespace quillfen {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

struct Saved {
    bool ok = false;
    std::string out;
    std::string err;
};

Saved save(const SpectrometerRecord& record) {
    CaptureStdout();
    CaptureStderr();
    Saved saved;
    saved.ok = saveShotFile(record);
    saved.out = GetCapturedStdout();
    saved.err = GetCapturedStderr();
    return saved;
}

// Saves in a child process whose files cannot grow past `limit` bytes, like a disk that fills up
// during the save. The child ends without running the library's exit handlers, which crash on
// the handles that a failed close leaves behind.
Saved saveOnFullDisk(const SpectrometerRecord& record, rlim_t limit, const testing::TempDir& dir) {
    const std::string outPath = dir.file("stdout");
    const std::string errPath = dir.file("stderr");
    std::fflush(nullptr);  // the child must not write out the parent's pending output
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const rlimit size{limit, limit};
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
            std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &size) != 0) {
            _exit(127);
        }
        const bool ok = saveShotFile(record);
        std::cout.flush();
        std::cerr.flush();
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) < 2) << "child status " << status;
    return Saved{WIFEXITED(status) && WEXITSTATUS(status) == 0, testing::readFile(outPath),
                 testing::readFile(errPath)};
}

// Three spectra of four pixels whose values reach both ends of the stored 16-bit range.
SpectrometerRecord burst(const std::string& path) {
    SpectrometerRecord record;
    record.name = "Halpha";
    record.dataFilePath = path;
    record.spectraCount = 3;
    record.spectrumLength = 4;
    record.spectra = {0, 1, 2, 255, 256, 4095, 12345, 32767, 32768, 65533, 65534, 65535};
    record.timeDifferences = {0.3125, 0.004, 0.0041};
    record.wavelengths = {653.5, 655.25, 657.0, 658.75};
    record.testSpectrum = {9, 9, 9, 9};
    record.nonLinearityCalibration = {0.9, 1e-5, -2e-9, 3e-13, -4e-17, 5e-21, -6e-25, 7e-29};
    record.strayLightConstant = 12.5;
    record.pcbTemperature = 36.5;
    record.integrationTime_us = 4000;
    record.relativeDelay_ns = -250'000'000;
    record.firstTimestamp_ns = 123;
    return record;
}

std::vector<hsize_t> shape(const H5::AbstractDs& object) {
    const H5::DataSpace space = object.getSpace();
    std::vector<hsize_t> dims(static_cast<std::size_t>(space.getSimpleExtentNdims()));
    space.getSimpleExtentDims(dims.data());
    return dims;
}

std::vector<double> doubles(const H5::DataSet& dataset) {
    EXPECT_EQ(dataset.getDataType(), H5::PredType::IEEE_F64LE);
    std::vector<double> values(
        static_cast<std::size_t>(dataset.getSpace().getSimpleExtentNpoints()));
    dataset.read(values.data(), H5::PredType::NATIVE_DOUBLE);
    return values;
}

std::vector<std::string> rootNames(const H5::H5File& file) {
    std::vector<std::string> names;
    for (hsize_t i = 0; i < file.getNumObjs(); ++i) {
        names.push_back(file.getObjnameByIdx(i));
        EXPECT_EQ(file.childObjType(i), H5O_TYPE_DATASET) << names.back();
    }
    return names;
}

std::vector<std::string> attributeNames(const H5::H5Object& object) {
    std::vector<std::string> names;
    for (int i = 0; i < object.getNumAttrs(); ++i) {
        names.push_back(object.openAttribute(static_cast<unsigned>(i)).getName());
    }
    return names;
}

double scalar(const H5::DataSet& spectra, const char* name) {
    const H5::Attribute attribute = spectra.openAttribute(name);
    EXPECT_EQ(attribute.getDataType(), H5::PredType::IEEE_F64LE) << name;
    EXPECT_EQ(attribute.getSpace().getSimpleExtentType(), H5S_SCALAR) << name;
    double value = 0.0;
    attribute.read(H5::PredType::NATIVE_DOUBLE, &value);
    return value;
}

class ShotFile : public ::testing::Test {
  protected:
    testing::TempDir dir;
    const std::string path = dir.file("Halpha_1000.h5");
};

TEST_F(ShotFile, HoldsTheBurstItsAxesAndItsParameters) {
    const SpectrometerRecord record = burst(path);
    const Saved saved = save(record);
    ASSERT_TRUE(saved.ok) << saved.out;
    EXPECT_EQ(saved.out, "");
    EXPECT_EQ(saved.err, "");

    const H5::H5File file(path, H5F_ACC_RDONLY);
    EXPECT_THAT(rootNames(file), ElementsAre("Spectra", "TimeDifferences", "Wavelengths"));
    EXPECT_THAT(attributeNames(file.openGroup("/")), IsEmpty());

    const H5::DataSet spectra = file.openDataSet("Spectra");
    EXPECT_EQ(spectra.getDataType(), H5::PredType::STD_U16LE);
    EXPECT_THAT(shape(spectra), ElementsAre(3u, 4u));
    std::vector<std::uint16_t> counts(12);
    spectra.read(counts.data(), H5::PredType::NATIVE_UINT16);
    EXPECT_THAT(counts, ElementsAreArray(std::vector<std::uint16_t>(record.spectra.begin(),
                                                                    record.spectra.end())));

    const H5::DataSet wavelengths = file.openDataSet("Wavelengths");
    EXPECT_THAT(shape(wavelengths), ElementsAre(4u));
    EXPECT_EQ(doubles(wavelengths), record.wavelengths);
    const H5::DataSet timeDifferences = file.openDataSet("TimeDifferences");
    EXPECT_THAT(shape(timeDifferences), ElementsAre(3u));
    EXPECT_EQ(doubles(timeDifferences), record.timeDifferences);
    EXPECT_THAT(attributeNames(wavelengths), IsEmpty());
    EXPECT_THAT(attributeNames(timeDifferences), IsEmpty());

    // Default properties keep no creation order, so the attributes are checked as a set.
    EXPECT_THAT(
        attributeNames(spectra),
        UnorderedElementsAre("NonLinearityCalibration", "StrayLightConstant", "PCBTemperature",
                             "IntegrationTime_us", "SamplingFrequency", "RelativeDelayTime"));
    const H5::Attribute calibration = spectra.openAttribute("NonLinearityCalibration");
    EXPECT_EQ(calibration.getDataType(), H5::PredType::IEEE_F64LE);
    EXPECT_THAT(shape(calibration), ElementsAre(8u));
    std::vector<double> coefficients(8);
    calibration.read(H5::PredType::NATIVE_DOUBLE, coefficients.data());
    EXPECT_THAT(coefficients, ElementsAreArray(record.nonLinearityCalibration));
    EXPECT_EQ(scalar(spectra, "StrayLightConstant"), 12.5);
    EXPECT_EQ(scalar(spectra, "PCBTemperature"), 36.5);
    EXPECT_EQ(scalar(spectra, "IntegrationTime_us"), 4000.0);
    EXPECT_EQ(scalar(spectra, "SamplingFrequency"), 250.0);
    EXPECT_EQ(scalar(spectra, "RelativeDelayTime"), -0.25);
}

TEST_F(ShotFile, ZeroSpectraGiveEmptyRows) {
    SpectrometerRecord record = burst(path);
    record.spectraCount = 0;
    record.spectra.clear();
    record.timeDifferences.clear();
    ASSERT_TRUE(save(record).ok);

    const H5::H5File file(path, H5F_ACC_RDONLY);
    EXPECT_THAT(shape(file.openDataSet("Spectra")), ElementsAre(0u, 4u));
    EXPECT_THAT(doubles(file.openDataSet("TimeDifferences")), IsEmpty());
    EXPECT_EQ(doubles(file.openDataSet("Wavelengths")), record.wavelengths);
}

TEST_F(ShotFile, ASecondSaveReplacesTheFirst) {
    ASSERT_TRUE(save(burst(path)).ok);
    SpectrometerRecord second = burst(path);
    second.spectraCount = 1;
    second.spectra = {7, 8, 9, 10};
    second.timeDifferences = {0.5};
    second.pcbTemperature = std::numeric_limits<double>::quiet_NaN();
    ASSERT_TRUE(save(second).ok);

    const H5::H5File file(path, H5F_ACC_RDONLY);
    const H5::DataSet spectra = file.openDataSet("Spectra");
    EXPECT_THAT(shape(spectra), ElementsAre(1u, 4u));
    std::vector<std::uint16_t> counts(4);
    spectra.read(counts.data(), H5::PredType::NATIVE_UINT16);
    EXPECT_THAT(counts, ElementsAre(7, 8, 9, 10));
    EXPECT_FALSE(spectra.attrExists("PCBTemperature"));
}

// Where the disk fills up: the file size limit, given the size of the complete file, and the
// function that fails.
struct FullDiskCase {
    const char* label;
    std::function<rlim_t(std::uintmax_t)> limit;
    std::string function;
    friend std::ostream& operator<<(std::ostream& out, const FullDiskCase& c) {
        return out << c.label;
    }
};

class ShotFileFullDisk : public ShotFile, public ::testing::WithParamInterface<FullDiskCase> {};

TEST_P(ShotFileFullDisk, FailsTheSaveAndKeepsThePartlyWrittenFile) {
    const FullDiskCase& c = GetParam();
    const std::string complete = dir.file("complete.h5");
    ASSERT_TRUE(save(burst(complete)).ok);
    const Saved saved =
        saveOnFullDisk(burst(path), c.limit(std::filesystem::file_size(complete)), dir);

    EXPECT_FALSE(saved.ok);
    EXPECT_EQ(saved.out,
              "HDF5 exeption for spectrometer Halpha: H5Fflush failed (in " + c.function + ")\n");
    // The library's destructors add lines of their own when they fail to close; the status line
    // is the JSON one.
    std::vector<nlohmann::json> statuses;
    std::istringstream lines(saved.err);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("{")) {
            statuses.push_back(nlohmann::json::parse(line));
        }
    }
    ASSERT_EQ(statuses.size(), 1u) << saved.err;
    EXPECT_EQ(statuses[0]["st"], 101);
    EXPECT_EQ(statuses[0]["msg"], "HDF5 exeption in " + c.function);
    EXPECT_TRUE(std::filesystem::exists(path));
}

INSTANTIATE_TEST_SUITE_P(
    ShotFile, ShotFileFullDisk,
    ::testing::Values(FullDiskCase{"AtTheFirstDataset", [](std::uintmax_t) { return rlim_t{1024}; },
                                   "DataSet::flush"},
                      FullDiskCase{"AtTheLastByte",
                                   [](std::uintmax_t size) { return rlim_t{size - 1}; },
                                   "H5File::flush"}),
    [](const auto& info) { return std::string(info.param.label); });

// The parameters that vary from unit to unit and shot to shot.
struct ParameterCase {
    const char* label;
    double temperature;
    std::uint32_t integrationTime_us;
    std::int64_t relativeDelay_ns;
    std::optional<double> storedTemperature;  // none: no "PCBTemperature"
    double storedIntegrationTime;
    double samplingFrequency;
    double relativeDelay_s;
    friend std::ostream& operator<<(std::ostream& out, const ParameterCase& c) {
        return out << c.label;
    }
};

class ShotFileParameters : public ShotFile, public ::testing::WithParamInterface<ParameterCase> {};

TEST_P(ShotFileParameters, AreStoredAsDoubles) {
    const ParameterCase& c = GetParam();
    SpectrometerRecord record = burst(path);
    record.pcbTemperature = c.temperature;
    record.integrationTime_us = c.integrationTime_us;
    record.relativeDelay_ns = c.relativeDelay_ns;
    ASSERT_TRUE(save(record).ok);

    const H5::DataSet spectra = H5::H5File(path, H5F_ACC_RDONLY).openDataSet("Spectra");
    EXPECT_EQ(spectra.getNumAttrs(), c.storedTemperature ? 6 : 5);
    ASSERT_EQ(spectra.attrExists("PCBTemperature"), c.storedTemperature.has_value());
    if (c.storedTemperature) {
        EXPECT_EQ(scalar(spectra, "PCBTemperature"), *c.storedTemperature);
    }
    EXPECT_EQ(scalar(spectra, "IntegrationTime_us"), c.storedIntegrationTime);
    EXPECT_DOUBLE_EQ(scalar(spectra, "SamplingFrequency"), c.samplingFrequency);
    EXPECT_DOUBLE_EQ(scalar(spectra, "RelativeDelayTime"), c.relativeDelay_s);
}

constexpr double NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();
constexpr double INFINITE = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    ShotFile, ShotFileParameters,
    ::testing::Values(
        // A unit without a board thermometer.
        ParameterCase{"NoThermometer", NOT_A_NUMBER, 4000, 0, std::nullopt, 4000.0, 250.0, 0.0},
        // A thermometer that could not be read.
        ParameterCase{"UnreadTemperature", -273.15, 4000, 0, -273.15, 4000.0, 250.0, 0.0},
        // Above the signed 32-bit range: read as unsigned.
        ParameterCase{"LongestIntegration", 20.0, 4294967295u, 1'234'567'890'123, 20.0,
                      4294967295.0, 2.3283064370807974e-4, 1234.567890123},
        // Setup never leaves 0; the division's result is stored as it is.
        ParameterCase{"ZeroIntegration", 20.0, 0, -1, 20.0, 0.0, INFINITE, -1e-9}),
    [](const auto& info) { return std::string(info.param.label); });

// A record spoiled before saving, and the console line's detail and function name.
struct FailureCase {
    const char* label;
    std::function<void(SpectrometerRecord&)> spoil;
    std::string detail;
    std::string function;
    friend std::ostream& operator<<(std::ostream& out, const FailureCase& c) {
        return out << c.label;
    }
};

class ShotFileFailure : public ShotFile, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ShotFileFailure, IsReportedAndLeavesNoFile) {
    const FailureCase& c = GetParam();
    SpectrometerRecord record = burst(path);
    c.spoil(record);
    const Saved saved = save(record);

    EXPECT_FALSE(saved.ok);
    EXPECT_EQ(saved.out,
              "HDF5 exeption for spectrometer Halpha: " + c.detail + " (in " + c.function + ")\n");
    ASSERT_EQ(std::count(saved.err.begin(), saved.err.end(), '\n'), 1) << saved.err;
    const auto status = nlohmann::json::parse(saved.err);
    EXPECT_EQ(status["st"], 101);
    EXPECT_EQ(status["msg"], "HDF5 exeption in " + c.function);
    EXPECT_EQ(status["device"], "");
    EXPECT_FALSE(std::filesystem::exists(record.dataFilePath));
}

INSTANTIATE_TEST_SUITE_P(
    ShotFile, ShotFileFailure,
    ::testing::Values(
        FailureCase{"MissingDirectory",
                    [](SpectrometerRecord& r) {
                        r.dataFilePath = (std::filesystem::path(r.dataFilePath).parent_path() /
                                          "missing" / "Halpha_1000.h5")
                                             .string();
                    },
                    "H5Fcreate failed", "H5File constructor"},
        FailureCase{"ShortSpectra", [](SpectrometerRecord& r) { r.spectra.pop_back(); },
                    "the spectra buffer holds 11 values, 3 x 4 needed", "saveShotFile"},
        FailureCase{"ShortWavelengths", [](SpectrometerRecord& r) { r.wavelengths.resize(3); },
                    "the wavelengths buffer holds 3 values, 4 needed", "saveShotFile"},
        FailureCase{"NoTimeDifferences", [](SpectrometerRecord& r) { r.timeDifferences.clear(); },
                    "the time differences buffer holds 0 values, 3 needed", "saveShotFile"},
        FailureCase{"NegativeCount", [](SpectrometerRecord& r) { r.spectrumLength = -4; },
                    "negative buffer size (3 spectra of -4 pixels)", "saveShotFile"}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace quillfen
