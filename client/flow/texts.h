#pragma once
// Texts the client shows in more than one place.
namespace kavlor::texts {

inline constexpr const char* kTitle = "《计算机等级考试一级B》模拟系统Kavlor V1.0";

}  // namespace kavlor::texts
