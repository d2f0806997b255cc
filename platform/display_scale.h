// How many device pixels the window uses per pixel of its design (HiDPI): GDK_SCALE when
// set, else on Wayland the outputs' scale, else the X resource Xft.dpi / 96, in quarter
// steps from 1 to 3. GTK's dialogs read GDK_SCALE themselves, so the window and its dialogs
// agree.
#pragma once

#include <optional>
#include <string>
#include <vector>

// Value rounded to the nearest quarter and kept within 1 .. 3.
float QuantiseScale(double value);
// The scale a GDK_SCALE text asks for ("2", "1.5"); none when it is not a positive number.
std::optional<float> ScaleFromGdkScale(const std::string& text);
// The scale of the Xft.dpi line in an X resource text ("Xft.dpi:\t144" -> 1.5); none when the
// text has no such line.
std::optional<float> ScaleFromXResources(const std::string& resources);
// The scale for Wayland outputs announcing these scales: the largest; none when there is no
// output or no positive scale.
std::optional<float> ScaleFromOutputScales(const std::vector<int>& scales);
// The scale for the display the program runs on (1 when nothing says otherwise).
float DisplayScale();
