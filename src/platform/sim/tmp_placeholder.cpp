namespace velqor::platform::sim {}
