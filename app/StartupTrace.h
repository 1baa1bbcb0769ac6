// Time stamps of the start-up steps, for finding where start-up time goes. Only a build with
// -DTRAVINE_STARTUP_TRACE=ON prints them (to standard error, in milliseconds since the process
// was created); in every other build the calls are empty.
#pragma once

#ifdef TRAVINE_STARTUP_TRACE
void TraceStartupStep(const char* step);
// Called after every message of the loop: stamps the first moment nothing is left to do, not
// even painting.
void TraceStartupIdle();
#else
inline void TraceStartupStep(const char*) {}
inline void TraceStartupIdle() {}
#endif
