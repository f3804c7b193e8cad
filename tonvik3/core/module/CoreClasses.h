#pragma once

namespace ovk {

// Registers the song engine's classes with the framework's class store:
// "ovk::COvkModule" and "ovk::COvkModulePlayer". Call once after every q.Init().
void RegisterCoreClasses();

} // namespace ovk
