#pragma once
// Whether the program has begun to quit; workers read it to stop early.

bool ApplicationTerminating();
void SetApplicationTerminating();
