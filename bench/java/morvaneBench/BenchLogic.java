package morvaneBench;

import java.nio.charset.StandardCharsets;

/**
 * The application logic of the benchmarks, run unchanged behind both front
 * ends: the in-process connector and the JDK HTTP server that Apache proxies
 * to. A request without a body (or with only a query) answers 13 bytes; a body
 * is echoed back byte for byte.
 */
public final class BenchLogic {
  static final byte[] HELLO = "Hello, world!".getBytes(StandardCharsets.US_ASCII);

  private BenchLogic() {
  }

  /** The request as the connector hands it over: the body, else the query string, else null. */
  public static byte[] answer(String request) {
    if (request == null || request.isEmpty() || request.startsWith("q=")) return HELLO;
    return request.getBytes(StandardCharsets.ISO_8859_1);
  }
}
