// Deployment settings: the values a deployment of the door changes here and
// nowhere else. They name the game service and where callers get help.
#pragma once

constexpr const char* DOOR_VERSION = "1.20.9";
constexpr const char* DEFAULT_SERVER_HOST = "localhost";
constexpr const char* WEB_ADDRESS = "https://wordwhirl.example";
constexpr const char* SUPPORT_EMAIL = "support@wordwhirl.example";
constexpr const char* TERMS_ADDRESS = "https://wordwhirl.example/terms";
