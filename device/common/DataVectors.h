#pragma once

#include <cstdint>
#include <vector>

namespace spectro {

// Physical units of a value; no data of this library carries any, so getUnits() is none.
class UnitDescriptor;

// The polymorphic result of an exchange. The caller owns every Data it is handed.
class Data {
  public:
    virtual ~Data() = default;
    virtual int getNumberOfDimensions() const { return 0; }
    virtual const UnitDescriptor* getUnits() const { return nullptr; }
};

// A one-dimensional list of values, copied in at construction.
template <class T>
class VectorData : public Data {
  public:
    using value_type = T;

    VectorData() = default;
    explicit VectorData(std::vector<T> values) : values(std::move(values)) {}

    int getNumberOfDimensions() const override { return 1; }
    std::vector<T>& getValues() { return values; }
    const std::vector<T>& getValues() const { return values; }

  private:
    std::vector<T> values;
};

// Distinct classes (not aliases) so that a run-time type test tells them apart.
class ByteVector : public VectorData<std::uint8_t> {
  public:
    using VectorData::VectorData;
};

class UShortVector : public VectorData<std::uint16_t> {
  public:
    using VectorData::VectorData;
};

class U32Vector : public VectorData<std::uint32_t> {
  public:
    using VectorData::VectorData;
};

class DoubleVector : public VectorData<double> {
  public:
    using VectorData::VectorData;
};

}  // namespace spectro
