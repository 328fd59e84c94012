package morvaneProbe;

import java.io.PrintStream;

/** An error whose stack trace cannot be printed: the trace capture must survive it. */
public class UnprintableError extends Error {
  public UnprintableError(String message) {
    super(message);
  }

  @Override
  public void printStackTrace(PrintStream stream) {
    throw new IllegalStateException("this trace cannot be printed");
  }
}
